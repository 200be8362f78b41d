#pragma once
// The window layer's part in the end of a session: a watch on a descriptor that the main
// thread acts on (the end signals' pipe), and the platform session manager's save request.
#include <functional>
#include <memory>

namespace ui {

// Runs onReadable on the main thread, through the error guard, each time fd can be read.
class TReadableWatch {
public:
    TReadableWatch(int fd, std::function<void()> onReadable);
    ~TReadableWatch();
    TReadableWatch(const TReadableWatch&) = delete;
    TReadableWatch& operator=(const TReadableWatch&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Runs save, through the error guard, each time the session manager asks the application to
// save what it holds (before a logout, or to keep the session's state).
class TSessionSave {
public:
    explicit TSessionSave(std::function<void()> save);
    ~TSessionSave();
    TSessionSave(const TSessionSave&) = delete;
    TSessionSave& operator=(const TSessionSave&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace ui
