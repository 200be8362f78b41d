#include "app/SessionEnd.h"

#include "app/Unit1.h"

namespace app {

TSessionEnd::TSessionEnd(TForm1& form)
    : form_(form),
      watch_(signals_.ReadFd(),
             [this] {
                 if (signals_.Take() != 0)
                     form_.Close();
             }),
      save_([this] { form_.SaveJournal(); }) {}

} // namespace app
