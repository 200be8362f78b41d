// Empty bodies of the window's handlers whose own file has not landed yet, one block per
// function. The owner file deletes a block when it defines that function.
#include "app/Unit1.h"

// owner: app/Unit1Service.cpp
void TForm1::WriteControllerByte(std::uint8_t, std::uint8_t) {}

// owner: app/Unit1Service.cpp
void TForm1::WriteEepromByte(std::uint8_t, std::uint8_t) {}

// owner: app/Unit1Service.cpp
void TForm1::Button2Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button3Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button5Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button7Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button14Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button15Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button16Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button19Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button29Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button31Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button33Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button35Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button4Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button6Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button8Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button9Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button10Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button11Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button12Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button26Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button30Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button32Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button34Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button36Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button1Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button17Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button18Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::FormKeyPress(ui::TObject*, char16_t&) {}

// owner: app/Unit1Service.cpp
void TForm1::Button20Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button21Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button22Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button23Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button25Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button27Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button28Click(ui::TObject*) {}

// owner: app/Unit1Service.cpp
void TForm1::Button13Click(ui::TObject*) {}
