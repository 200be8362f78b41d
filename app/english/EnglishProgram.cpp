#include "app/english/EnglishProgram.h"

#include "app/Program.h"
#include "app/Texts.h"
#include "app/Unit2.h"
#include "app/about.h"
#include "app/english/EnglishTexts.h"
#include "app/english/EnglishWindow.h"
#include "app/english/hid/EnglishHid.h"
#include "ui/Forms.h"

namespace english {

int ProgramEntry(const std::function<void()>& setUp) {
    hid::english::QueryOsVersion();
    ui::Application->Initialize();
    ui::Application->SetTitle(app::kApplicationTitle);
    app::UseTexts(EnglishTexts);
    if (setUp)
        setUp();
    // The controller posts the first device change: the first enumeration runs from the
    // loop, after FormCreate.
    CreateMainWindow(ui::Application);
    ui::Application->CreateForm(AboutBox);
    ui::Application->CreateForm(Form2);
    ui::Application->Run();
    // Run has destroyed the windows.
    Form1 = nullptr;
    AboutBox = nullptr;
    Form2 = nullptr;
    return 0;
}

} // namespace english
