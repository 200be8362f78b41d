#include "app/Program.h"

#include <optional>

#include "app/ProgramDir.h"
#include "app/SessionEnd.h"
#include "app/Texts.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/about.h"
#include "app/core/Journal.h"
#include "platform/CopyLock.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"

namespace app {

platform::CopyLock LockCopy(const std::string& programDir) {
    return platform::CopyLock({programDir, programDir + "gr/"},
                              {programDir + core::kJournalFileName});
}

int ProgramEntry(const std::function<void()>& setUp, const std::function<void()>& createMainWindow,
                 const std::string& language) {
    ui::Application->Initialize();
    ui::Application->SetTitle(kApplicationTitle);
    // Without the catalogue the toolkit's dialogs stay in English.
    ui::Application->UsePlatformLanguage(language);
    if (setUp)
        setUp();
    // One copy a journal: a second one would rewrite the journal and the curve files from
    // its own grid, whatever names lead it to them.
    const platform::CopyLock copy = LockCopy(ProgramDir());
    switch (copy.Status()) {
    case platform::CopyLock::State::Held: break;
    case platform::CopyLock::State::Taken:
        ui::Application->MessageBox(TextWith(Texts().SecondCopy, ProgramDir()),
                                    ui::Application->Title(), ui::MB_OK | ui::MB_ICONERROR);
        return 1;
    case platform::CopyLock::State::Failed:
        // Nothing keeps another copy off the journal: only the operator may go on.
        if (ui::Application->MessageBox(
                TextWith(Texts().CopyLockFailed, copy.Where() + " (" + copy.Reason() + ")"),
                ui::Application->Title(),
                ui::MB_YESNO | ui::MB_ICONWARNING | ui::MB_DEFBUTTON2) != ui::IDYES)
            return 1;
        break;
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
