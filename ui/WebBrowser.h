#pragma once
// The web-browser control: loads a local HTML page into a rich-text document, reports the
// finished load from the event loop, and opens the print preview on it.
#include <functional>
#include <memory>
#include <string>

#include "ui/Controls.h"

class QObject;
class QPrinter;
class QTextBrowser;
class QTextDocument;

namespace ui {

// Commands and options of ExecWB.
inline constexpr int OLECMDID_PRINTPREVIEW = 7;
inline constexpr int OLECMDEXECOPT_PROMPTUSER = 1;

// The completion event; URL is the address that was navigated to.
using TWebBrowserNavigateComplete2 = std::function<void(TObject* Sender, const std::string& URL)>;

class TWebBrowser : public TControl {
public:
    explicit TWebBrowser(TComponent* AOwner);
    ~TWebBrowser() override;

    // Loads the page at URL (a local file's full path, or a file: URL), decoded by the code
    // page it declares, its pictures resolved beside it. Raises rt::EFOpenError when the file
    // cannot be read. OnNavigateComplete2 follows from the event loop.
    void Navigate(const std::string& URL);

    // OLECMDID_PRINTPREVIEW opens the print preview of the loaded page (through the modal
    // seam), from which the user picks a printer and prints. Any failure (nothing loaded, a
    // command it does not know, the preview failing) raises "Error print page !".
    void ExecWB(int cmdID, int cmdexecopt);

    // Prints the loaded page to printer, pictures fitted to the page width.
    void Print(QPrinter& printer) const;
    // Prints the loaded page to a PDF file; rt::EFCreateError when it cannot be written,
    // "Error print page !" when nothing is loaded.
    void PrintToPdf(const std::string& path) const;

    // The loaded page (nullptr before the first Navigate).
    const QTextDocument* Document() const { return doc_.get(); }
    const std::string& LocationURL() const { return location_; }
    QTextBrowser* Browser() const;

    TWebBrowserNavigateComplete2 OnNavigateComplete2;

    static constexpr const char* PrintErrorText = "Error print page !";

private:
    static QTextBrowser* MakeBrowser();
    void Preview();

    std::unique_ptr<QObject> context_; // receiver of the queued completion calls
    std::unique_ptr<QTextDocument> doc_;
    std::string location_;
};

} // namespace ui
