#pragma once
// Pure helpers of the web-browser control: how a page's bytes become text, and how its
// pictures are fitted to a printed page.
#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

class QTextDocument;

namespace ui {

// The charset a page declares ("charset=..." in its first 4096 bytes), lower case;
// "" when it declares none.
std::string HtmlDeclaredCharset(std::string_view bytes);

// The page's text: a byte-order mark decides first, then the declared charset
// (windows-1251, utf-8, iso-8859-1 and their aliases); a page that declares none or an
// unknown one is read as Windows-1251, the program's own code page.
QString DecodeHtmlPage(const QByteArray& bytes);

// Loads every picture the document names (resolved against its base URL) into it, so it
// no longer depends on the files. Returns the count of pictures that could not be read.
int LoadDocumentImages(QTextDocument& doc);

// Scales down pictures wider than width (document units), keeping their proportions.
void FitDocumentImages(QTextDocument& doc, double width);

} // namespace ui
