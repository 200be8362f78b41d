#include "app/Program.h"

#include <optional>

#include "app/ProgramDir.h"
#include "app/SessionEnd.h"
#include "app/Texts.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/about.h"
#include "platform/FolderLock.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"

namespace app {

int ProgramEntry(const std::function<void()>& setUp, const std::function<void()>& createMainWindow,
                 const std::string& language) {
    ui::Application->Initialize();
    ui::Application->SetTitle(kApplicationTitle);
    // Without the catalogue the toolkit's dialogs stay in English.
    ui::Application->UsePlatformLanguage(language);
    if (setUp)
        setUp();
    // One copy a folder: a second one would rewrite the journal from its own grid.
    const platform::FolderLock folder(ProgramDir());
    if (folder.TakenByAnother()) {
        ui::MessageDlg(TextWith(Texts().SecondCopy, ProgramDir()), ui::mtError, ui::mbOK);
        return 1;
    }
    // Form1's controller posts the first device change: the first enumeration runs from the
    // loop, after FormCreate.
    if (createMainWindow)
        createMainWindow();
    else
        ui::Application->CreateForm(Form1);
    ui::Application->CreateForm(AboutBox);
    ui::Application->CreateForm(Form2);
    std::optional<TSessionEnd> sessionEnd;
    if (Form1)
        sessionEnd.emplace(*Form1);
    ui::Application->Run();
    sessionEnd.reset();
    // Run has destroyed the windows.
    Form1 = nullptr;
    AboutBox = nullptr;
    Form2 = nullptr;
    return 0;
}

} // namespace app
