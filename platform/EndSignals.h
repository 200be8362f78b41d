#pragma once
// The signals that end a session (SIGTERM, SIGHUP, SIGINT), caught while the object lives.
// The first one is noted and makes ReadFd() readable, so that the main thread ends the
// session its own way; any later one, until Rearm, ends the process at once, by the signal's
// default action. One object at a time.
namespace platform {

class EndSignals {
public:
    EndSignals();
    // Puts back the actions the signals had.
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // Readable once a signal is noted (-1 when no pipe could be made: signals then keep
    // their own actions).
    int ReadFd() const { return readFd_; }
    // The signal noted since the last call, or 0; empties what ReadFd holds.
    int Take();
    // The session did not end: the next signal is noted again.
    void Rearm();

private:
    int readFd_ = -1;
    int writeFd_ = -1;
};

} // namespace platform
