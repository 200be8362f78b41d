// The standard error handling: an exception that leaves a handler is shown in a box
// captioned with the application title, the handler stops there, and the program goes on.
#include <functional>
#include <stdexcept>
#include <string>

#include <QAction>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include "runtime/SysUtils.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Grids.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

using namespace ui;

namespace {

const std::string kTitle = "Анализатор помутнения и застывния Kelvane А, KelvaneИ, Dovrel";

class GuardTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application->SetTitle(kTitle);
        form = new TForm(nullptr);
    }
    void TearDown() override { delete form; }

    // A handler body: a first step, a throw, a step that must not run.
    std::function<void()> Body() {
        return [this] {
            ++before;
            throw rt::EConvertError::InvalidInteger("abc");
            ++after; // never reached
        };
    }

    TForm* form = nullptr;
    int before = 0;
    int after = 0;
    ModalRecorder boxes;
};

struct Source {
    const char* name;
    // Wires body to one kind of event of a control made on form, then fires the event.
    std::function<void(TForm* form, std::function<void()> body)> fire;
};

const Source kSources[] = {
    {"button click",
     [](TForm* f, std::function<void()> body) {
         auto* b = new TButton(f);
         b->SetParent(f);
         b->OnClick = [body](TObject*) { body(); };
         b->Button()->click();
     }},
    {"button mouse down",
     [](TForm* f, std::function<void()> body) {
         auto* b = new TButton(f);
         b->OnMouseDown = [body](TObject*, TMouseButton, TShiftState, int, int) { body(); };
         b->MouseDown(mbRight, 0, 1, 1);
     }},
    {"menu item",
     [](TForm* f, std::function<void()> body) {
         auto* m = new TMainMenu(f);
         auto* top = new TMenuItem(f);
         auto* item = new TMenuItem(f);
         m->Items()->Add(top);
         top->Add(item);
         item->OnClick = [body](TObject*) { body(); };
         item->Action()->trigger();
     }},
    {"timer tick",
     [](TForm* f, std::function<void()> body) {
         auto* t = new TTimer(f);
         t->OnTimer = [body](TObject*) { body(); };
         t->Tick();
     }},
    {"grid select cell",
     [](TForm* f, std::function<void()> body) {
         auto* g = new TStringGrid(f);
         g->OnSelectCell = [body](TObject*, int, int, bool&) { body(); };
         g->SelectCell(2, 2);
     }},
    {"check box",
     [](TForm* f, std::function<void()> body) {
         auto* c = new TCheckBox(f);
         c->OnClick = [body](TObject*) { body(); };
         c->SetChecked(true);
     }},
    {"form create",
     [](TForm* f, std::function<void()> body) {
         f->OnCreate = [body](TObject*) { body(); };
         f->DoCreate();
     }},
};

TEST_F(GuardTest, EveryEventSourceShowsTheErrorWithTheTitleAndStopsTheHandler) {
    for (const Source& s : kSources) {
        SCOPED_TRACE(s.name);
        boxes.Clear();
        before = after = 0;
        s.fire(form, Body());
        EXPECT_EQ(before, 1);
        EXPECT_EQ(after, 0);
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_EQ(boxes.Last().kind, ModalKind::MessageBox);
        EXPECT_EQ(boxes.Last().caption, kTitle);
        EXPECT_EQ(boxes.Last().text, "'abc' is not a valid integer value");
        EXPECT_EQ(boxes.Last().icon, ModalIcon::Error);
        EXPECT_EQ(boxes.Last().buttons, std::vector<int>{IDOK});
    }
}

TEST_F(GuardTest, AnyStandardExceptionIsShownByItsText) {
    EXPECT_FALSE(Application->Guard([] { throw std::runtime_error("plain failure"); }));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().text, "plain failure");
    EXPECT_TRUE(Application->Guard([] {}));
    EXPECT_EQ(boxes.Count(), 1);
}

TEST_F(GuardTest, ErrorInOnCloseAbandonsTheCloseAndALaterCloseTriesAgain) {
    form->Show();
    int calls = 0;
    form->OnClose = [&](TObject*, TCloseAction&) {
        if (++calls == 1)
            throw rt::EFCreateError("/tmp/x/data2.tab", "No such file or directory");
    };
    form->Close();
    EXPECT_TRUE(form->Widget()->isVisible());
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().caption, kTitle);
    EXPECT_NE(boxes.Last().text.find("/tmp/x/data2.tab"), std::string::npos);
    form->Close();
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(form->Widget()->isVisible());
}

TEST_F(GuardTest, CloseActionNoneKeepsTheFormOpen) {
    form->Show();
    form->OnClose = [](TObject*, TCloseAction& a) { a = caNone; };
    form->Close();
    EXPECT_TRUE(form->Widget()->isVisible());
    form->OnClose = nullptr;
    form->Close();
    EXPECT_FALSE(form->Widget()->isVisible());
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(GuardTest, TheCloseBoxOfTheWindowAsksOnClose) {
    form->Show();
    int calls = 0;
    form->OnClose = [&](TObject*, TCloseAction& a) {
        ++calls;
        a = caNone;
    };
    form->Widget()->close();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(form->Widget()->isVisible());
}

} // namespace
