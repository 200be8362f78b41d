#include "app/english/EnglishProgram.h"

#include "app/Program.h"
#include "app/Texts.h"
#include "app/english/EnglishTexts.h"
#include "app/english/EnglishWindow.h"
#include "app/english/hid/EnglishHid.h"
#include "ui/Forms.h"

namespace english {

int ProgramEntry(const std::function<void()>& setUp) {
    hid::english::QueryOsVersion();
    hid::UseHidVariant(hid::english::EnglishHid);
    return app::ProgramEntry(
        [&] {
            app::UseTexts(EnglishTexts);
            if (setUp)
                setUp();
        },
        [] { CreateMainWindow(ui::Application); }, "en");
}

} // namespace english
