#include "ui/WebBrowser.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QImage>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "runtime/CodePage.h"
#include "runtime/SysUtils.h"
#include "ui/Forms.h"
#include "ui/Modal.h"
#include "ui/WebBrowserPage.h"

namespace {

using ui::TWebBrowser;

template <class Pred>
bool PumpUntil(Pred done) {
    for (int i = 0; i < 1000 && !done(); ++i)
        QCoreApplication::processEvents();
    return done();
}

// Runs the event loop a bounded number of rounds (for "nothing more happens").
void Pump() {
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
}

QByteArray Cp1251(const std::string& utf8) {
    return QByteArray::fromStdString(rt::Utf8ToCp1251(utf8));
}

const char* const kMeta =
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">";

TEST(WebBrowserPage, DeclaredCharset) {
    struct Case {
        const char* page;
        const char* charset;
    } const cases[] = {
        {"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
         "charset=windows-1251\"></head>",
         "windows-1251"},
        {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=UTF-8\">", "utf-8"},
        {"<meta charset=\"iso-8859-1\">", "iso-8859-1"},
        {"<meta charset='cp1251'/>", "cp1251"},
        {"<html><body>no declaration</body></html>", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ui::HtmlDeclaredCharset(c.page), c.charset) << c.page;

    // Only the head of the page counts.
    const std::string late = std::string(5000, ' ') + "charset=utf-8";
    EXPECT_EQ(ui::HtmlDeclaredCharset(late), "");
}

TEST(WebBrowserPage, DecodesByTheDeclaredCodePage) {
    const QString text = QString::fromUtf8("Примечение: №1");
    struct Case {
        const char* name;
        QByteArray bytes;
    } const cases[] = {
        {"windows-1251", QByteArray(kMeta) + Cp1251("Примечение: №1")},
        {"utf-8", QByteArray("<meta charset=utf-8>") + QByteArray("Примечение: №1")},
        {"bom", QByteArray("\xEF\xBB\xBF") + QByteArray("Примечение: №1")},
        {"undeclared is the program's code page", Cp1251("Примечение: №1")},
        {"unknown is the program's code page",
         QByteArray("<meta charset=koi8-x>") + Cp1251("Примечение: №1")},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(ui::DecodeHtmlPage(c.bytes).endsWith(text)) << c.name;
    EXPECT_EQ(ui::DecodeHtmlPage(QByteArray("<meta charset=latin1>\xE9")).right(1),
              QString(QChar(0xE9)));
}

TEST(WebBrowserPage, WidePicturesAreFittedKeepingTheirProportions) {
    QTextDocument doc;
    QImage wide(2000, 1000, QImage::Format_RGB32);
    QImage small(100, 50, QImage::Format_RGB32);
    doc.addResource(QTextDocument::ImageResource, QUrl("wide.bmp"), wide);
    doc.addResource(QTextDocument::ImageResource, QUrl("small.bmp"), small);
    doc.setHtml("<img src=\"wide.bmp\"><br><img src=\"small.bmp\">");
    ui::FitDocumentImages(doc, 500);

    std::vector<QTextImageFormat> formats;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                formats.push_back(it.fragment().charFormat().toImageFormat());
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_DOUBLE_EQ(formats[0].width(), 500);
    EXPECT_DOUBLE_EQ(formats[0].height(), 250);
    EXPECT_FALSE(formats[1].hasProperty(QTextFormat::ImageWidth));
}

class WebBrowserFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        web = std::make_unique<TWebBrowser>(nullptr);
        web->OnNavigateComplete2 = [this](ui::TObject* sender, const std::string& url) {
            senders.push_back(sender);
            urls.push_back(url);
            if (onComplete)
                onComplete();
        };
    }

    std::string Path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

    std::string WritePage(const char* name, const std::string& bodyUtf8) {
        const std::string path = Path(name);
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Cp1251(
            "<html>\r\n<head>\r\n<title>Анализатор помутнения и застывания KelvaneА</title>\r\n"));
        file.write(kMeta);
        file.write("\r\n</head>\r\n<body  text=\"#000000\">\r\n");
        file.write(Cp1251(bodyUtf8));
        file.write("\r\n</body>\r\n</html>\r\n");
        return path;
    }

    void WritePicture(const char* name, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        ASSERT_TRUE(image.save(QString::fromStdString(Path(name)), "BMP"));
    }

    QTemporaryDir dir;
    std::unique_ptr<TWebBrowser> web;
    std::vector<ui::TObject*> senders;
    std::vector<std::string> urls;
    std::function<void()> onComplete;
};

TEST_F(WebBrowserFixture, NavigateLoadsTheDecodedPageAndCompletesFromTheEventLoop) {
    WritePicture("g1.bmp", QSize(40, 20));
    const std::string path =
        WritePage("tmp1.html", "<h1>Температура помутнения</h1>\r\n<img src=\"g1.bmp\" >");

    web->Navigate(path);
    EXPECT_TRUE(senders.empty()); // not from inside Navigate
    ASSERT_TRUE(PumpUntil([&] { return !senders.empty(); }));
    Pump();
    ASSERT_EQ(senders.size(), 1u);
    EXPECT_EQ(senders[0], web.get());
    EXPECT_EQ(urls[0], path);
    EXPECT_EQ(web->LocationURL(), path);

    const QTextDocument* doc = web->Document();
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(doc->toPlainText().contains(QString::fromUtf8("Температура помутнения")));
    EXPECT_EQ(doc->metaInformation(QTextDocument::DocumentTitle),
              QString::fromUtf8("Анализатор помутнения и застывания KelvaneА"));
    const QImage picture =
        doc->resource(QTextDocument::ImageResource, QUrl("g1.bmp")).value<QImage>();
    EXPECT_EQ(picture.size(), QSize(40, 20));
    EXPECT_EQ(web->Browser()->document(), doc);

    // The page keeps the picture it was loaded with.
    QFile::remove(QString::fromStdString(Path("g1.bmp")));
    EXPECT_EQ(doc->resource(QTextDocument::ImageResource, QUrl("g1.bmp")).value<QImage>().size(),
              QSize(40, 20));
}

TEST_F(WebBrowserFixture, FileUrlWorksLikeThePath) {
    const std::string path = WritePage("a.html", "Привет");
    const std::string url =
        QUrl::fromLocalFile(QString::fromStdString(path)).toString().toStdString();
    web->Navigate(url);
    ASSERT_TRUE(PumpUntil([&] { return !senders.empty(); }));
    EXPECT_TRUE(web->Document()->toPlainText().contains(QString::fromUtf8("Привет")));
    EXPECT_EQ(urls[0], url);
}

TEST_F(WebBrowserFixture, MissingPageRaisesTheOpenErrorAndCompletesNothing) {
    const std::string path = Path("none.html");
    try {
        web->Navigate(path);
        FAIL() << "no error";
    } catch (const rt::EFOpenError& e) {
        EXPECT_EQ(e.Message().rfind("Cannot open file \"" + path + "\". ", 0), 0u) << e.Message();
    }
    Pump();
    EXPECT_TRUE(senders.empty());
    EXPECT_EQ(web->Document(), nullptr);
}

TEST_F(WebBrowserFixture, EveryNavigationCompletesAndShowsTheLastPage) {
    const std::string first = WritePage("p1.html", "первая");
    const std::string second = WritePage("p2.html", "вторая");
    std::vector<QString> seen;
    onComplete = [&] { seen.push_back(web->Document()->toPlainText()); };
    web->Navigate(first);
    web->Navigate(second);
    ASSERT_TRUE(PumpUntil([&] { return senders.size() == 2; }));
    EXPECT_EQ(urls, (std::vector<std::string>{first, second}));
    for (const QString& text : seen)
        EXPECT_TRUE(text.contains(QString::fromUtf8("вторая")));
}

TEST_F(WebBrowserFixture, BrowserGoneBeforeTheCompletionRaisesNothing) {
    web->Navigate(WritePage("p.html", "x"));
    web.reset();
    Pump();
    EXPECT_TRUE(senders.empty());
}

TEST_F(WebBrowserFixture, PrintPreviewGoesThroughTheModalSeamOnTheLoadedPage) {
    ui::ModalRecorder boxes;
    QString shown;
    boxes.SetWhileOpen([&](const ui::ModalRequest&) { shown = web->Document()->toPlainText(); });
    const std::string path = WritePage("tmp1.html", "Журнал");
    onComplete = [&] { web->ExecWB(ui::OLECMDID_PRINTPREVIEW, ui::OLECMDEXECOPT_PROMPTUSER); };

    web->Navigate(path);
    ASSERT_TRUE(PumpUntil([&] { return boxes.Count() == 1; }));
    Pump();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().kind, ui::ModalKind::PrintPreview);
    EXPECT_EQ(boxes.Last().caption, "Print Preview") << "the preview window's title";
    EXPECT_EQ(boxes.Last().fileName, path);
    EXPECT_TRUE(shown.contains(QString::fromUtf8("Журнал")));
}

// The toolkit's own texts in the language chosen: the preview's title, its print dialog.
TEST_F(WebBrowserFixture, ThePreviewIsTitledInThePlatformLanguage) {
    struct Case {
        const char* language;
        bool cyrillic;
    };
    for (const Case c : {Case{"ru", true}, Case{"en", false}}) {
        SCOPED_TRACE(c.language);
        if (!ui::Application->UsePlatformLanguage(c.language)) {
            ui::Application->UsePlatformLanguage("");
            GTEST_SKIP() << "no Qt catalogue qtbase_" << c.language << " in "
                         << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString()
                         << " (package qt6-translations-l10n)";
        }
        ui::ModalRecorder boxes;
        const std::string path = WritePage("tmp1.html", "x");
        onComplete = [&] { web->ExecWB(ui::OLECMDID_PRINTPREVIEW, ui::OLECMDEXECOPT_PROMPTUSER); };
        web->Navigate(path);
        ASSERT_TRUE(PumpUntil([&] { return boxes.Count() == 1; }));
        const QString caption = QString::fromStdString(boxes.Last().caption);
        // What the real preview window shows.
        QPrinter printer;
        QPrintPreviewDialog dialog(&printer);
        EXPECT_EQ(caption, dialog.windowTitle());
        const bool cyrillic = std::any_of(caption.begin(), caption.end(), [](QChar ch) {
            return ch.script() == QChar::Script_Cyrillic;
        });
        EXPECT_EQ(cyrillic, c.cyrillic) << caption.toStdString();
        EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print") == "Print", !c.cyrillic);
        EXPECT_EQ(
            QCoreApplication::translate("QPrintPreviewDialog", "Print Preview") == "Print Preview",
            !c.cyrillic);
    }
    ui::Application->UsePlatformLanguage("");
    EXPECT_EQ(QCoreApplication::translate("QPrintPreviewDialog", "Print Preview"), "Print Preview");
}

TEST_F(WebBrowserFixture, ExecWBFailuresRaiseThePrintError) {
    struct Case {
        const char* name;
        bool loaded;
        int command;
    } const cases[] = {
        {"nothing loaded", false, ui::OLECMDID_PRINTPREVIEW},
        {"unknown command", true, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TWebBrowser browser(nullptr);
        if (c.loaded)
            browser.Navigate(WritePage("p.html", "x"));
        ui::ModalRecorder boxes;
        try {
            browser.ExecWB(c.command, ui::OLECMDEXECOPT_PROMPTUSER);
            FAIL() << "no error";
        } catch (const rt::Exception& e) {
            EXPECT_EQ(e.Message(), "Error print page !");
        }
        EXPECT_EQ(boxes.Count(), 0);
    }
}

TEST_F(WebBrowserFixture, APreviewThatFailsReachesTheErrorBoxFromTheCompletion) {
    ui::ModalRecorder boxes;
    bool failPreview = true;
    boxes.SetWhileOpen([&](const ui::ModalRequest& r) {
        if (r.kind == ui::ModalKind::PrintPreview && failPreview) {
            failPreview = false;
            throw std::runtime_error("no printer");
        }
    });
    onComplete = [&] { web->ExecWB(ui::OLECMDID_PRINTPREVIEW, ui::OLECMDEXECOPT_PROMPTUSER); };
    web->Navigate(WritePage("p.html", "x"));
    ASSERT_TRUE(PumpUntil([&] { return boxes.Count() == 2; }));
    EXPECT_EQ(boxes.Requests()[0].kind, ui::ModalKind::PrintPreview);
    EXPECT_EQ(boxes.Requests()[1].kind, ui::ModalKind::MessageBox);
    EXPECT_EQ(boxes.Requests()[1].text, "Error print page !");
}

TEST_F(WebBrowserFixture, PrintsToPdf) {
    WritePicture("g1.bmp", QSize(1237, 300));
    web->Navigate(WritePage("tmp1.html", "<h1>Отчёт</h1><img src=\"g1.bmp\" >"));
    const std::string pdf = Path("out.pdf");
    web->PrintToPdf(pdf);
    QFile file(QString::fromStdString(pdf));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(5), QByteArray("%PDF-"));
    EXPECT_GT(file.size(), 1000);

    EXPECT_THROW(web->PrintToPdf(Path("missing/out.pdf")), rt::EFCreateError);
    TWebBrowser empty(nullptr);
    EXPECT_THROW(empty.PrintToPdf(Path("e.pdf")), rt::Exception);
}

} // namespace
