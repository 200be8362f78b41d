#include "app/Program.h"

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/about.h"
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
    // Form1's controller posts the first device change: the first enumeration runs from the
    // loop, after FormCreate.
    if (createMainWindow)
        createMainWindow();
    else
        ui::Application->CreateForm(Form1);
    ui::Application->CreateForm(AboutBox);
    ui::Application->CreateForm(Form2);
    ui::Application->Run();
    // Run has destroyed the windows.
    Form1 = nullptr;
    AboutBox = nullptr;
    Form2 = nullptr;
    return 0;
}

} // namespace app
