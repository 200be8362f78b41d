#pragma once
// The window layer's part in the end of a session: a watch on a descriptor that the main
// thread acts on (the end signals' pipe), and the platform session manager's save request.
#include <functional>
#include <memory>
#include <utility>
#include <vector>

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
// save what it holds (before a logout, or to keep the session's state). save returns whether
// all is saved; where it is not (false, or an error, shown in the standard box), the manager
// is told that the save failed, so that a logout does not take what was not saved.
class TSessionSave {
public:
    explicit TSessionSave(std::function<bool()> save);
    ~TSessionSave();
    TSessionSave(const TSessionSave&) = delete;
    TSessionSave& operator=(const TSessionSave&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Every answer to the session manager goes through here: with a watch set (a test's), the
// watch gets it (true: saved) in place of the manager. Returns the previous watch.
using TSessionAnswerWatch = std::function<void(bool saved)>;
TSessionAnswerWatch SetSessionAnswerWatch(TSessionAnswerWatch watch);

// Test helper: records the answers, in place of the manager, while it lives.
class TSessionAnswers {
public:
    TSessionAnswers() {
        previous_ = SetSessionAnswerWatch([this](bool saved) { saved_.push_back(saved); });
    }
    ~TSessionAnswers() { SetSessionAnswerWatch(std::move(previous_)); }
    TSessionAnswers(const TSessionAnswers&) = delete;
    TSessionAnswers& operator=(const TSessionAnswers&) = delete;

    // One element an answer, in order: true where the manager was told all is saved.
    const std::vector<bool>& Saved() const { return saved_; }

private:
    std::vector<bool> saved_;
    TSessionAnswerWatch previous_;
};

} // namespace ui
