#include "ui/WebBrowser.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

#include <cmath>

#include "runtime/SysUtils.h"
#include "ui/Forms.h"
#include "ui/Modal.h"
#include "ui/QtBridge.h"
#include "ui/WebBrowserPage.h"

namespace ui {

namespace {

QString LocalPath(const std::string& url) {
    const QString text = QString::fromStdString(url);
    if (text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QUrl(text).toLocalFile();
    return text;
}

// Document units per inch when the document is laid out for a screen.
double ScreenDpi() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return std::round(screen->logicalDotsPerInchX());
    return 96;
}

} // namespace

QTextBrowser* TWebBrowser::MakeBrowser() {
    EnsureApplication(); // widgets need the Qt application
    auto* browser = new QTextBrowser;
    browser->setOpenLinks(false);
    browser->setOpenExternalLinks(false);
    return browser;
}

TWebBrowser::TWebBrowser(TComponent* AOwner)
    : TControl(AOwner, MakeBrowser()), context_(new QObject) {}

TWebBrowser::~TWebBrowser() {
    context_.reset(); // drops completions still queued
    if (QTextBrowser* browser = Browser())
        browser->setDocument(nullptr); // it must not show doc_ once that goes
}

QTextBrowser* TWebBrowser::Browser() const { return static_cast<QTextBrowser*>(Widget()); }

void TWebBrowser::Navigate(const std::string& URL) {
    const QString path = LocalPath(URL);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw rt::EFOpenError(URL, file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw rt::EFOpenError(URL, file.errorString().toStdString());

    auto doc = std::make_unique<QTextDocument>();
    doc->setBaseUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath() + QLatin1Char('/')));
    doc->setHtml(DecodeHtmlPage(bytes));
    LoadDocumentImages(*doc);
    if (QTextBrowser* browser = Browser())
        browser->setDocument(doc.get());
    doc_ = std::move(doc);
    location_ = URL;

    QMetaObject::invokeMethod(
        context_.get(),
        [this, URL] {
            Dispatch([&] {
                if (OnNavigateComplete2)
                    OnNavigateComplete2(this, URL);
            });
        },
        Qt::QueuedConnection);
}

void TWebBrowser::ExecWB(int cmdID, int /*cmdexecopt*/) {
    // The preview always lets the user choose the printer, whatever the option asks.
    try {
        if (cmdID != OLECMDID_PRINTPREVIEW || !doc_)
            throw rt::Exception(PrintErrorText);
        Preview();
    } catch (...) {
        throw rt::Exception(PrintErrorText);
    }
}

void TWebBrowser::Preview() {
    ModalRequest request;
    request.kind = ModalKind::PrintPreview;
    // The preview window's own title, in the language of the toolkit's texts.
    request.caption = FromQ(QCoreApplication::translate("QPrintPreviewDialog", "Print Preview"));
    request.text = location_;
    request.fileName = location_;
    request.buttons = {IDOK, IDCANCEL};
    RunModal(request, [this] {
        QPrinter printer(QPrinter::HighResolution);
        QWidget* parent = Widget() ? Widget()->window() : nullptr;
        QPrintPreviewDialog dialog(&printer, parent);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [this](QPrinter* p) {
                             if (doc_)
                                 Print(*p);
                         });
        const int result = dialog.exec();
        return ModalAnswer{result == QDialog::Accepted ? IDOK : IDCANCEL, {}};
    });
}

void TWebBrowser::Print(QPrinter& printer) const {
    if (!doc_)
        throw rt::Exception(PrintErrorText);
    // Printing lays the page out at the screen's scale inside margins of 2 cm: pictures
    // wider than what is left would be cut off.
    const double dpi = ScreenDpi();
    const double margin = std::floor(2 / 2.54 * dpi);
    const double width = printer.width() * dpi / printer.logicalDpiX() - 2 * margin - 2;
    std::unique_ptr<QTextDocument> copy(doc_->clone());
    copy->setBaseUrl(doc_->baseUrl());
    FitDocumentImages(*copy, width);
    copy->print(&printer);
}

void TWebBrowser::PrintToPdf(const std::string& path) const {
    if (!doc_)
        throw rt::Exception(PrintErrorText);
    {
        QFile probe(QString::fromStdString(path));
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw rt::EFCreateError(path, probe.errorString().toStdString());
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    printer.setPageSize(QPageSize(QPageSize::A4));
    Print(printer);
}

} // namespace ui
