#include "ui/WebBrowserPage.h"

#include <QImage>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <vector>

#include "runtime/CodePage.h"

namespace ui {

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool IsCharsetChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '-' || c == '_' || c == '.' || c == ':';
}

enum class PageCode { Cp1251, Utf8, Latin1 };

PageCode CodeFor(const std::string& charset) {
    static const char* const utf8[] = {"utf-8", "utf8", "unicode-1-1-utf-8"};
    static const char* const latin1[] = {"iso-8859-1", "latin1", "l1",
                                         "us-ascii",   "ascii",  "iso_8859-1"};
    for (const char* n : utf8)
        if (charset == n)
            return PageCode::Utf8;
    for (const char* n : latin1)
        if (charset == n)
            return PageCode::Latin1;
    return PageCode::Cp1251; // windows-1251 and its aliases, and anything unknown
}

struct ImageUse {
    int position;
    int length;
    QTextImageFormat format;
};

std::vector<ImageUse> ImageUses(const QTextDocument& doc) {
    std::vector<ImageUse> uses;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().isImageFormat())
                uses.push_back({fragment.position(), fragment.length(),
                                fragment.charFormat().toImageFormat()});
        }
    }
    return uses;
}

} // namespace

std::string HtmlDeclaredCharset(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, std::min<std::size_t>(bytes.size(), 4096));
    std::string lower(head.size(), '\0');
    std::transform(head.begin(), head.end(), lower.begin(), Lower);
    const std::string key = "charset=";
    const std::size_t at = lower.find(key);
    if (at == std::string::npos)
        return {};
    std::size_t i = at + key.size();
    while (i < lower.size() && (lower[i] == '"' || lower[i] == '\'' || lower[i] == ' '))
        ++i;
    std::size_t end = i;
    while (end < lower.size() && IsCharsetChar(lower[end]))
        ++end;
    return lower.substr(i, end - i);
}

QString DecodeHtmlPage(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringConverter::Utf16);
        return utf16(bytes);
    }
    switch (CodeFor(HtmlDeclaredCharset(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))))) {
    case PageCode::Utf8: return QString::fromUtf8(bytes);
    case PageCode::Latin1: return QString::fromLatin1(bytes);
    case PageCode::Cp1251: break;
    }
    const std::u16string text = rt::Cp1251ToUtf16(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

int LoadDocumentImages(QTextDocument& doc) {
    int missing = 0;
    for (const ImageUse& use : ImageUses(doc)) {
        const QUrl name(use.format.name());
        const QUrl resolved = doc.baseUrl().resolved(name);
        QImage image;
        if (resolved.isLocalFile())
            image.load(resolved.toLocalFile());
        if (image.isNull()) {
            ++missing;
            continue;
        }
        doc.addResource(QTextDocument::ImageResource, name, image);
        doc.addResource(QTextDocument::ImageResource, resolved, image);
    }
    return missing;
}

void FitDocumentImages(QTextDocument& doc, double width) {
    if (width <= 0)
        return;
    for (const ImageUse& use : ImageUses(doc)) {
        const QImage image =
            doc.resource(QTextDocument::ImageResource, QUrl(use.format.name())).value<QImage>();
        double w = use.format.width() > 0 ? use.format.width() : image.width();
        double h = use.format.height() > 0 ? use.format.height() : image.height();
        if (w <= width || w <= 0)
            continue;
        QTextImageFormat format = use.format;
        format.setWidth(width);
        format.setHeight(h * width / w);
        QTextCursor cursor(&doc);
        cursor.setPosition(use.position);
        cursor.setPosition(use.position + use.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
    }
}

} // namespace ui
