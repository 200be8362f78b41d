// The modal seam (answered without blocking, every box recorded) and the main-thread queue
// bound to the event loop, also while a box is open.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "runtime/MainThread.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

using namespace ui;

namespace {

struct BoxCase {
    unsigned flags;
    std::vector<int> buttons;
    ModalIcon icon;
    int defaultButton;
};

TEST(MessageBoxRequestTest, FlagsGiveButtonsIconAndDefault) {
    const BoxCase cases[] = {
        {MB_OK, {IDOK}, ModalIcon::None, IDOK},
        {MB_OK | MB_ICONERROR, {IDOK}, ModalIcon::Error, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, {IDOK, IDCANCEL}, ModalIcon::Question, IDOK},
        {MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, {IDYES, IDNO}, ModalIcon::Warning, IDNO},
        {MB_YESNOCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON3,
         {IDYES, IDNO, IDCANCEL},
         ModalIcon::Information,
         IDCANCEL},
        {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}, ModalIcon::None, IDABORT},
        {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, ModalIcon::None, IDRETRY},
        // A default past the last button falls back to the first.
        {MB_OK | MB_DEFBUTTON3, {IDOK}, ModalIcon::None, IDOK},
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.flags);
        const ModalRequest r = MessageBoxRequest("t", "c", c.flags);
        EXPECT_EQ(r.buttons, c.buttons);
        EXPECT_EQ(r.icon, c.icon);
        EXPECT_EQ(r.defaultButton, c.defaultButton);
    }
}

TEST(ModalSeamTest, AnswersWithoutBlockingAndRecordsTheBox) {
    ModalRecorder boxes;
    boxes.QueueButton(IDNO);
    const int r = Application->MessageBox("0 = WRITE ERROR: x (1F)", "Caption", MB_YESNO);
    EXPECT_EQ(r, IDNO);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().caption, "Caption");
    EXPECT_EQ(boxes.Last().text, "0 = WRITE ERROR: x (1F)");
    EXPECT_EQ(boxes.Last().icon, ModalIcon::None);
    // Without queued answers the default button is pressed.
    EXPECT_EQ(Application->MessageBox("again", "Caption", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(boxes.Count(), 2);
}

TEST(ModalSeamTest, RecorderRestoresThePreviousAnswerer) {
    ModalRecorder outer;
    {
        ModalRecorder inner;
        ShowMessage("inner");
        EXPECT_EQ(inner.Count(), 1);
    }
    ShowMessage("outer");
    EXPECT_EQ(outer.Count(), 1);
    EXPECT_EQ(outer.Last().text, "outer");
}

TEST(ModalSeamTest, MessageDlgCaptionsAndIcons) {
    ModalRecorder boxes;
    Application->SetTitle("Title");
    struct {
        TMsgDlgType type;
        const char* caption;
        ModalIcon icon;
    } cases[] = {{mtError, "Error", ModalIcon::Error},
                 {mtWarning, "Warning", ModalIcon::Warning},
                 {mtInformation, "Information", ModalIcon::Information},
                 {mtConfirmation, "Confirm", ModalIcon::Question},
                 {mtCustom, "Title", ModalIcon::None}};
    for (const auto& c : cases) {
        MessageDlg("Cannot open file", c.type, mbOK);
        EXPECT_EQ(boxes.Last().caption, c.caption);
        EXPECT_EQ(boxes.Last().icon, c.icon);
        EXPECT_EQ(boxes.Last().buttons, std::vector<int>{IDOK});
    }
    boxes.QueueButton(IDCANCEL);
    EXPECT_EQ(MessageDlg("q", mtConfirmation, mbOK | mbCancel), mrCancel);
    EXPECT_EQ(boxes.Last().buttons, (std::vector<int>{IDOK, IDCANCEL}));
}

TEST(ModalSeamTest, FileDialogsTakeTheNameExactlyAndCancelKeepsTheOld) {
    ModalRecorder boxes;
    TOpenDialog open(nullptr);
    TSaveDialog save(nullptr);
    boxes.QueueFile("/tmp/curves/a b.txt");
    EXPECT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName(), "/tmp/curves/a b.txt");
    EXPECT_EQ(boxes.Last().kind, ModalKind::OpenFile);
    // The default answer cancels.
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.FileName(), "/tmp/curves/a b.txt");
    boxes.QueueFile("noext");
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName(), "noext");
    EXPECT_EQ(boxes.Last().kind, ModalKind::SaveFile);
    EXPECT_EQ(boxes.Last().fileName, "");
}

TEST(ModalSeamTest, ModalFormIsAnsweredThroughTheSeam) {
    ModalRecorder boxes;
    TForm form(nullptr);
    form.SetCaption("О программе");
    boxes.QueueButton(mrOk);
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(boxes.Last().kind, ModalKind::Form);
    EXPECT_EQ(boxes.Last().caption, "О программе");
    EXPECT_FALSE(form.Widget()->isVisible());
    EXPECT_EQ(form.Widget()->windowTitle(), QString::fromUtf8("О программе"));
}

TEST(MainThreadQueueTest, WorkPostedFromAnotherThreadRunsFromTheEventLoop) {
    std::atomic<bool> ran{false};
    std::atomic<bool> onMain{false};
    std::thread worker([&] {
        rt::MainThread::Post([&] {
            onMain = rt::MainThread::IsCurrent();
            ran = true;
        });
    });
    worker.join();
    // Only the Qt loop runs here: the wake hook must have posted the drain.
    EXPECT_TRUE(uitest::RunUntil([&] { return ran.load(); }));
    EXPECT_TRUE(onMain.load());
}

TEST(MainThreadQueueTest, PostedWorkAndTicksRunWhileABoxIsOpen) {
    ModalRecorder boxes;
    TTimer timer(nullptr);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) { ++ticks; };
    std::atomic<int> handedOver{0};
    // Inside the box: a read thread hands a report over and waits for it, the timer ticks.
    boxes.SetWhileOpen([&](const ModalRequest&) {
        std::thread reader([&] {
            std::atomic<bool> done{false};
            rt::MainThread::Post([&] {
                ++handedOver;
                done = true;
            });
            while (!done)
                std::this_thread::yield();
        });
        EXPECT_TRUE(uitest::RunUntil([&] { return handedOver.load() == 1; }));
        reader.join();
        timer.Tick();
    });
    Application->MessageBox("WRITE ERROR", "", MB_OK);
    EXPECT_EQ(handedOver.load(), 1);
    EXPECT_EQ(ticks, 1);
}

TEST(MainThreadQueueTest, AnItemThatRaisesIsShownAndTheRestStillRuns) {
    ModalRecorder boxes;
    bool second = false;
    rt::MainThread::Post([] { throw std::runtime_error("hand-over failed"); });
    rt::MainThread::Post([&] { second = true; });
    EXPECT_TRUE(uitest::RunUntil([&] { return second; }));
    ASSERT_GE(boxes.Count(), 1);
    EXPECT_EQ(boxes.Requests().front().text, "hand-over failed");
}

} // namespace
