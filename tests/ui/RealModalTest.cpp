// The real modal boxes (no answerer): their own event loop keeps posted work, hand-overs and
// timer ticks running until the box is closed; a modal form ends with its modal result; the
// application's loop ends when the main form closes.
#include <atomic>
#include <thread>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "runtime/MainThread.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

using namespace ui;

namespace {

// Polls from the event loop (no sleeping) and runs act once ready() holds; a safety bound
// runs it anyway so that a failing test cannot hang.
void WhenReady(std::function<bool()> ready, std::function<void()> act) {
    auto* poll = new QTimer(qApp);
    auto started = std::make_shared<QDeadlineTimer>(std::chrono::seconds(10));
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        if (!ready() && !started->hasExpired())
            return;
        poll->stop();
        poll->deleteLater();
        act();
    });
    poll->start(5);
}

TEST(RealModalTest, MessageBoxLoopRunsHandOversAndTicksUntilClosed) {
    ASSERT_FALSE(HasModalAnswerer());
    TTimer timer(nullptr);
    timer.SetInterval(1);
    std::atomic<int> ticks{0};
    timer.OnTimer = [&](TObject*) { ++ticks; };
    std::atomic<bool> handedOver{false};
    bool boxSeen = false;
    WhenReady(
        [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; },
        [&] {
            boxSeen = true;
            std::thread([&] { rt::MainThread::Post([&] { handedOver = true; }); }).detach();
            WhenReady(
                [&] { return handedOver.load() && ticks.load() >= 2; },
                [] {
                    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                        box->button(QMessageBox::Ok)->click();
                });
        });
    const int r = Application->MessageBox("WRITE ERROR", "Caption", MB_OK);
    timer.SetEnabled(false);
    EXPECT_TRUE(boxSeen);
    EXPECT_EQ(r, IDOK);
    EXPECT_TRUE(handedOver.load());
    EXPECT_GE(ticks.load(), 2);
}

TEST(RealModalTest, ModalFormEndsWithTheModalResultOfItsButton) {
    ASSERT_FALSE(HasModalAnswerer());
    TForm form(nullptr);
    auto* ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetModalResult(mrOk);
    WhenReady([&] { return form.Widget()->isVisible(); }, [&] { ok->Button()->click(); });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_FALSE(form.Widget()->isVisible());
    // Closing it counts as cancel.
    WhenReady([&] { return form.Widget()->isVisible(); }, [&] { form.Close(); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
}

class MainForm : public TForm {
public:
    explicit MainForm(TComponent* owner) : TForm(owner) {
        OnCreate = [this](TObject*) { created = true; };
        OnClose = [this](TObject*, TCloseAction&) { ++closes; };
    }
    ~MainForm() override { *destroyed = true; }
    bool created = false;
    int closes = 0;
    std::shared_ptr<bool> destroyed = std::make_shared<bool>(false);
};

TEST(ApplicationTest, RunEndsWhenTheMainFormClosesAndDestroysTheForms) {
    MainForm* form = nullptr;
    Application->CreateForm(form);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->created);
    EXPECT_EQ(Application->MainForm(), form);
    auto destroyed = form->destroyed;
    int closes = -1;
    WhenReady([&] { return form->Widget()->isVisible(); },
              [&] {
                  form->Close();
                  closes = form->closes;
              });
    Application->Run();
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(*destroyed);
    EXPECT_EQ(Application->MainForm(), nullptr);
}

} // namespace
