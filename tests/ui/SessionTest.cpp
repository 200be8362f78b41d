// The end of a session in the window layer: a descriptor watched from the event loop and the
// session manager's save request, each run through the error guard.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QSessionManager>

#include <unistd.h>

#include "UiTestSupport.h"
#include "runtime/SysUtils.h"
#include "ui/Modal.h"
#include "ui/Session.h"

using namespace ui;

namespace {

// The save request as the session manager sends it (while answers are recorded, the handlers
// do not look at the manager).
void AskToSave(bool commit) {
    alignas(QSessionManager) unsigned char manager[sizeof(QSessionManager)] = {};
    auto& m = *reinterpret_cast<QSessionManager*>(manager);
    if (commit)
        emit qGuiApp->commitDataRequest(m);
    else
        emit qGuiApp->saveStateRequest(m);
}

TEST(ReadableWatch, RunsFromTheLoopWhenTheDescriptorCanBeRead) {
    Application->Initialize();
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int runs = 0;
    {
        TReadableWatch watch(fds[0], [&] {
            char b;
            ASSERT_EQ(::read(fds[0], &b, 1), 1);
            ++runs;
        });
        Application->ProcessMessages();
        EXPECT_EQ(runs, 0);
        ASSERT_EQ(::write(fds[1], "x", 1), 1);
        EXPECT_TRUE(uitest::RunUntil([&] { return runs == 1; }));
    }
    // Gone with the object.
    ASSERT_EQ(::write(fds[1], "y", 1), 1);
    Application->ProcessMessages();
    EXPECT_EQ(runs, 1);
    ::close(fds[0]);
    ::close(fds[1]);
}

// A save that raises or says it saved nothing is answered as not saved; the error is shown in
// the standard box and goes no further.
TEST(SessionSave, RunsOnEitherSaveRequestWhileItLivesAndSaysWhatWasNotSaved) {
    ModalRecorder boxes;
    const TSessionAnswers answers;
    int saves = 0;
    {
        TSessionSave save([&] {
            ++saves;
            if (saves == 2)
                throw rt::Exception("cannot save");
            return saves != 3;
        });
        AskToSave(true);
        EXPECT_EQ(saves, 1);
        AskToSave(false);
        EXPECT_EQ(saves, 2);
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_EQ(boxes.Last().text, "cannot save");
        AskToSave(true);
        EXPECT_EQ(saves, 3);
        EXPECT_EQ(boxes.Count(), 1);
        EXPECT_EQ(answers.Saved(), (std::vector<bool>{true, false, false}));
    }
    AskToSave(true);
    EXPECT_EQ(saves, 3);
    EXPECT_EQ(answers.Saved().size(), 3u);
}

} // namespace
