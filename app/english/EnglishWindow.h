#pragma once
// The English build's main window: the Russian window without the PID-terms group, with the
// English build's design sizes and its own parsing rules.
#include "app/Unit1.h"

namespace english {

// Turns a freshly constructed TForm1 into the English window. Runs before FormCreate.
void ShapeMainWindow(TForm1& form);

// Creates the English main window as the application creates a form: constructed, set as
// Form1 (and as the main form when the application owns it), shaped, then its FormCreate
// run (with the texts of app::Texts(), which the English program sets first).
TForm1* CreateMainWindow(ui::TComponent* owner);

} // namespace english
