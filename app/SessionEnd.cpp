#include "app/SessionEnd.h"

#include "app/Unit1.h"

namespace app {

TSessionEnd::TSessionEnd(TForm1& form)
    : form_(form),
      watch_(signals_.ReadFd(),
             [this] {
                 if (signals_.Take() == 0)
                     return;
                 form_.Close();
                 // A close abandoned (the journal could not be written) leaves the session
                 // open: the next signal closes the window again.
                 if (form_.Visible())
                     signals_.Rearm();
             }),
      save_([this] {
          // While the operator is asked whether to write the journal, it is not written yet.
          if (form_.FJournalAsking)
              return false;
          form_.SaveJournal();
          return true;
      }) {}

} // namespace app
