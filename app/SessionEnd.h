#pragma once
// The end of a session for the main window: SIGTERM, SIGHUP and SIGINT close it as "Выход"
// does, from the main thread (another such signal while that close runs ends the process at
// once; one after a close that was abandoned closes again), and the session manager's save
// request saves the journal (and is answered as not saved where it is not: a failed save, or
// the operator still asked whether to write it).
#include "platform/EndSignals.h"
#include "ui/Session.h"

class TForm1;

namespace app {

class TSessionEnd {
public:
    explicit TSessionEnd(TForm1& form);

private:
    TForm1& form_;
    platform::EndSignals signals_;
    ui::TReadableWatch watch_;
    ui::TSessionSave save_;
};

} // namespace app
