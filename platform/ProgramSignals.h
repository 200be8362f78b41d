#pragma once
// The signals a stand-alone program's own loop looks at (the stand-in analyzers' programs):
// a caught signal only notes itself, and a wait it comes in ends at once.
namespace platform {

enum class ProgramSignal {
    Stop,   // SIGINT or SIGTERM
    User1,  // SIGUSR1
    User2,  // SIGUSR2
    Pause,  // SIGTSTP (no stop: only noted)
    Resume, // SIGCONT
};

// From now on the signal notes itself in place of its default action.
void CatchProgramSignal(ProgramSignal signal);
// Whether the signal has come.
bool ProgramSignalNoted(ProgramSignal signal);
// Whether the signal has come since it was last taken; takes it.
bool TakeProgramSignal(ProgramSignal signal);
// Waits for the milliseconds given, or until a caught signal comes.
void WaitMilliseconds(int milliseconds);

} // namespace platform
