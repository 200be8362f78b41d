// Controls: buttons with mouse down/up for any button, key preview and the default button,
// aligned layout, page control tabs, status panels, memo lines, radio group, menus, grab.
#include <filesystem>

#include <QCheckBox>
#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/Buttons.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Grab.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

using namespace ui;

namespace {

class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 600, 400);
    }
    void TearDown() override { delete form; }

    void Mouse(QWidget* w, QEvent::Type type, Qt::MouseButton b) {
        const QPointF p(5, 5);
        QMouseEvent e(type, p, w->mapToGlobal(p), b,
                      type == QEvent::MouseButtonPress ? b : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
    void Key(QWidget* w, int key, const QString& text) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &e);
    }

    TForm* form = nullptr;
    ModalRecorder boxes;
};

TEST_F(FormTest, ButtonReportsEveryMouseButtonAndClicksOnlyOnLeftAndSpace) {
    auto* b = new TBitBtn(form);
    b->SetParent(form);
    b->SetCaption("СЛИВ");
    std::vector<std::string> log;
    b->OnClick = [&](TObject*) { log.push_back("click"); };
    b->OnMouseDown = [&](TObject*, TMouseButton m, TShiftState, int, int) {
        log.push_back(m == mbRight ? "down right" : "down left");
    };
    b->OnMouseUp = [&](TObject*, TMouseButton m, TShiftState, int, int) {
        log.push_back(m == mbRight ? "up right" : "up left");
    };
    form->Show();
    Mouse(b->Widget(), QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(b->Widget(), QEvent::MouseButtonRelease, Qt::LeftButton);
    Mouse(b->Widget(), QEvent::MouseButtonPress, Qt::RightButton);
    Mouse(b->Widget(), QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_EQ(
        log, (std::vector<std::string>{"down left", "click", "up left", "down right", "up right"}));
    log.clear();
    // Space on the focused button: a click and no mouse events.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
    QCoreApplication::sendEvent(b->Widget(), &press);
    QCoreApplication::sendEvent(b->Widget(), &release);
    EXPECT_EQ(log, std::vector<std::string>{"click"});
}

TEST_F(FormTest, KeyPreviewSeesTypedCharactersBeforeTheFocusedEdit) {
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    std::u16string seen;
    form->SetKeyPreview(true);
    form->OnKeyPress = [&](TObject*, char16_t& k) {
        seen += k;
        if (k == u'x')
            k = 0; // dropped
        if (k == u'a')
            k = u'b'; // replaced
    };
    form->Show();
    Key(edit->Widget(), Qt::Key_1, "1");
    Key(edit->Widget(), Qt::Key_Left, ""); // no character: not previewed (the edit moves)
    Key(edit->Widget(), Qt::Key_X, "x");
    Key(edit->Widget(), Qt::Key_7, "7");
    EXPECT_EQ(seen, u"1x7");
    EXPECT_EQ(edit->Text(), "71");
    Key(edit->Widget(), Qt::Key_A, "a");
    EXPECT_EQ(seen, u"1x7a"); // the replacement is not previewed again
    EXPECT_EQ(edit->Text(), "7b1");
    // Without key preview the form's handler sees nothing.
    form->SetKeyPreview(false);
    Key(edit->Widget(), Qt::Key_2, "2");
    EXPECT_EQ(seen, u"1x7a");
    EXPECT_EQ(edit->Text(), "7b21");
}

TEST_F(FormTest, KeyPressDeliversToTheFormAndAHandlerErrorUsesTheKeyUp) {
    form->SetKeyPreview(true);
    std::u16string seen;
    form->OnKeyPress = [&](TObject*, char16_t& k) {
        seen += k;
        if (k == u'9')
            throw std::runtime_error("key failed");
    };
    form->Show();
    for (char16_t k : std::u16string(u"1a9"))
        form->KeyPress(k);
    EXPECT_EQ(seen, u"1a9");
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().text, "key failed");
}

TEST_F(FormTest, EnterPressesTheDefaultButtonUnlessTheFocusTakesIt) {
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    auto* start = new TBitBtn(form);
    start->SetParent(panel);
    start->SetDefault(true);
    auto* stop = new TBitBtn(form);
    stop->SetParent(panel);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    auto* memo = new TMemo(form);
    memo->SetParent(form);
    int starts = 0, stops = 0;
    start->OnClick = [&](TObject*) { ++starts; };
    stop->OnClick = [&](TObject*) { ++stops; };
    form->Show();
    EXPECT_EQ(form->DefaultButton(), start);
    Key(edit->Widget(), Qt::Key_Return, "\r");
    EXPECT_EQ(starts, 1);
    Key(memo->Widget(), Qt::Key_Return, "\r");
    EXPECT_EQ(starts, 1);
    Key(stop->Widget(), Qt::Key_Return, "\r"); // a focused button presses itself
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(starts, 1);
    start->SetEnabled(false);
    Key(edit->Widget(), Qt::Key_Return, "\r");
    EXPECT_EQ(starts, 1);
}

TEST_F(FormTest, AlignedControlsShareTheClientArea) {
    auto* top = new TPanel(form);
    auto* bottom = new TPanel(form);
    auto* left = new TPanel(form);
    auto* client = new TPanel(form);
    auto* status = new TStatusBar(form);
    for (TControl* c : std::initializer_list<TControl*>{top, bottom, left, client, status})
        c->SetParent(form);
    top->SetHeight(30);
    top->SetAlign(alTop);
    bottom->SetHeight(40);
    bottom->SetAlign(alBottom);
    left->SetWidth(100);
    left->SetAlign(alLeft);
    client->SetAlign(alClient);
    form->Realign();
    const int w = form->ClientWidth(), h = form->ClientHeight();
    EXPECT_EQ(top->Top(), 0);
    EXPECT_EQ(top->Width(), w);
    // The status bar (bottom aligned by default) was placed first: it is the lowest.
    EXPECT_EQ(status->Top() + status->Height(), h);
    EXPECT_EQ(bottom->Top() + bottom->Height(), status->Top());
    EXPECT_EQ(left->Left(), 0);
    EXPECT_EQ(left->Top(), 30);
    EXPECT_EQ(left->Height(), bottom->Top() - 30);
    EXPECT_EQ(client->Left(), 100);
    EXPECT_EQ(client->Width(), w - 100);
    EXPECT_EQ(client->Height(), left->Height());
    // Resizing the form lays them out again.
    form->SetBounds(0, 0, 800, 500);
    EXPECT_EQ(top->Width(), form->ClientWidth());
    EXPECT_EQ(client->Width(), form->ClientWidth() - 100);
}

TEST_F(FormTest, PageControlHidesAndShowsTabsAndKeepsTheActivePage) {
    auto* pc = new TPageControl(form);
    pc->SetParent(form);
    TTabSheet* sheets[4];
    const char* captions[] = {"Температура", "Опт. проницаемость/температура", "Коррекции",
                              "eeprom"};
    for (int i = 0; i < 4; ++i) {
        sheets[i] = new TTabSheet(form);
        sheets[i]->SetCaption(captions[i]);
        sheets[i]->SetPageControl(pc);
    }
    sheets[2]->SetTabVisible(false);
    sheets[3]->SetTabVisible(false);
    pc->SetActivePage(sheets[1]);
    EXPECT_EQ(pc->PageCount(), 4);
    EXPECT_EQ(pc->ActivePage(), sheets[1]);
    EXPECT_FALSE(pc->Tabs()->isTabVisible(2));
    EXPECT_EQ(pc->Tabs()->tabText(0), QString::fromUtf8("Температура"));
    sheets[2]->SetTabVisible(true);
    sheets[3]->SetTabVisible(true);
    EXPECT_TRUE(pc->Tabs()->isTabVisible(3));
    EXPECT_EQ(pc->ActivePage(), sheets[1]);
    EXPECT_EQ(sheets[3]->PageIndex(), 3);
}

TEST_F(FormTest, StatusPanelsHoldTheirTextsAndWidths) {
    auto* sb = new TStatusBar(form);
    sb->SetParent(form);
    for (int w : {300, 300, 100, 100, 50})
        sb->AddPanel(w);
    sb->Panels(0).SetText("Прибор не подключен !");
    EXPECT_EQ(sb->PanelCount(), 5);
    EXPECT_EQ(sb->Panels(0).Text(), "Прибор не подключен !");
    EXPECT_EQ(sb->Panels(0).Label()->text(), QString::fromUtf8("Прибор не подключен !"));
    EXPECT_EQ(sb->Panels(4).Width(), 50);
    EXPECT_THROW(sb->Panels(5), std::out_of_range);
}

TEST(MemoTest, LinesAreAddedReadAndCleared) {
    TMemo memo(nullptr);
    EXPECT_EQ(memo.Lines().Count(), 0);
    memo.Lines().Add("00 01 02");
    memo.Lines().Add("");
    memo.Lines().Add("FF");
    EXPECT_EQ(memo.Lines().Count(), 3);
    EXPECT_EQ(memo.Lines()[0], "00 01 02");
    EXPECT_EQ(memo.Lines()[1], "");
    EXPECT_EQ(memo.Lines()[2], "FF");
    EXPECT_EQ(memo.TextEdit()->maximumBlockCount(), 0); // unbounded unless asked
    memo.Lines().Delete(1);
    EXPECT_EQ(memo.Lines().Text(), "00 01 02\r\nFF\r\n");
    EXPECT_THROW(memo.Lines().Get(2), std::out_of_range);
    memo.Lines().Delete(1);
    EXPECT_EQ(memo.Lines().Text(), "00 01 02\r\n");
    memo.Lines().Delete(0);
    EXPECT_EQ(memo.Lines().Count(), 0);
    memo.Lines().Add("");
    EXPECT_EQ(memo.Lines().Count(), 1);
    memo.Clear();
    EXPECT_EQ(memo.Lines().Count(), 0);
}

// The lines are the widget's own: what is typed into it is in Lines(), what Lines() changes
// is in the widget.
TEST(MemoTest, LinesAreTheWidgetsText) {
    TMemo memo(nullptr);
    memo.Lines().Add("first");
    memo.Lines().Add("second");
    QCoreApplication::processEvents();
    QTextCursor typing(memo.TextEdit()->document());
    typing.movePosition(QTextCursor::End);
    typing.insertText(" typed");
    EXPECT_EQ(memo.Lines()[1], "second typed");
    memo.Lines().Put(0, "replaced");
    memo.Lines().Add("third");
    QCoreApplication::processEvents();
    EXPECT_EQ(memo.TextEdit()->toPlainText().toStdString(), "replaced\nsecond typed\nthird");
}

// With a bound the memo keeps the most recent lines and drops the oldest, whether the lines
// reach the widget a few at a time or all in one batch.
TEST(MemoTest, BoundKeepsTheMostRecentLines) {
    struct Case {
        int bound;
        int lines;
        int batch; // lines added between two turns of the event loop; 0: all in one batch
    };
    const Case cases[] = {
        {5, 3, 0}, {5, 5, 0}, {5, 12, 0}, {5, 12, 1}, {5, 12, 4}, {5, 12, 7}, {1, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("bound " + std::to_string(c.bound) + ", lines " + std::to_string(c.lines) +
                     ", batch " + std::to_string(c.batch));
        TMemo memo(nullptr);
        memo.SetMaxLines(c.bound);
        for (int i = 0; i < c.lines; ++i) {
            memo.Lines().Add("line " + std::to_string(i));
            if (c.batch && (i + 1) % c.batch == 0)
                QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
        const int kept = std::min(c.bound, c.lines);
        ASSERT_EQ(memo.Lines().Count(), kept);
        EXPECT_EQ(memo.TextEdit()->document()->blockCount(), kept);
        for (int i = 0; i < kept; ++i)
            EXPECT_EQ(memo.Lines()[i], "line " + std::to_string(c.lines - kept + i));
    }
}

// A large bound drops the oldest lines a tenth of the bound at a time: the memo never holds
// more than the bound and its tenth, and what it holds is the most recent lines in order.
TEST(MemoTest, LargeBoundDropsInSteps) {
    TMemo memo(nullptr);
    memo.SetMaxLines(100);
    int most = 0;
    for (int i = 0; i < 1000; ++i) {
        memo.Lines().Add("line " + std::to_string(i));
        QCoreApplication::processEvents();
        most = std::max(most, memo.TextEdit()->document()->blockCount());
    }
    EXPECT_EQ(most, 110);
    const int kept = memo.Lines().Count();
    ASSERT_GE(kept, 100);
    ASSERT_LE(kept, 110);
    for (int i = 0; i < kept; ++i)
        EXPECT_EQ(memo.Lines()[i], "line " + std::to_string(1000 - kept + i));
    memo.SetMaxLines(50); // a lower bound takes effect at once
    EXPECT_EQ(memo.Lines().Count(), 50);
    EXPECT_EQ(memo.Lines()[49], "line 999");
}

// The line shown at the top and at the bottom of the memo's visible area.
std::pair<int, int> ShownLines(TMemo* memo) {
    QPlainTextEdit* edit = memo->TextEdit();
    const QWidget* area = edit->viewport();
    const int top = edit->cursorForPosition(QPoint(2, 2)).block().blockNumber();
    const int bottom = edit->cursorForPosition(QPoint(2, area->height() - 3)).block().blockNumber();
    return {top, bottom};
}

TEST_F(FormTest, AMemoShowsTheNewestLineAsLinesAreAdded) {
    for (int bound : {0, 100}) {
        SCOPED_TRACE(bound);
        auto* memo = new TMemo(form);
        memo->SetParent(form);
        memo->SetAlign(alClient);
        memo->SetMaxLines(bound);
        form->Show();
        int added = 0;
        for (int batch = 0; batch < 30; ++batch) {
            for (int i = 0; i < 7; ++i)
                memo->Lines().Add("t=" + std::to_string(added++));
            QCoreApplication::processEvents();
            const int last = memo->Lines().Count() - 1;
            ASSERT_EQ(memo->Lines()[last], "t=" + std::to_string(added - 1));
            EXPECT_EQ(ShownLines(memo).second, last) << "after " << added << " lines";
        }
        EXPECT_GT(ShownLines(memo).first, 0) << "the first lines have scrolled away";

        // The cursor put back at the start (a click), then more lines.
        QTextCursor start(memo->TextEdit()->document());
        memo->TextEdit()->setTextCursor(start);
        memo->Lines().Add("t=" + std::to_string(added++));
        QCoreApplication::processEvents();
        EXPECT_EQ(ShownLines(memo).second, memo->Lines().Count() - 1);

        // Lines added while the memo is hidden (a page not shown), then shown.
        memo->SetVisible(false);
        for (int i = 0; i < 50; ++i)
            memo->Lines().Add("t=" + std::to_string(added++));
        QCoreApplication::processEvents();
        memo->SetVisible(true);
        QCoreApplication::processEvents();
        EXPECT_EQ(ShownLines(memo).second, memo->Lines().Count() - 1);
        delete memo;
    }
}

// A memo that shows its newest line shows it from its first character, however long the line
// (the memo scrolls down, never sideways).
TEST_F(FormTest, AMemoShowsItsNewestLineFromItsFirstCharacter) {
    form->SetBounds(0, 0, 300, 120);
    auto* memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetAlign(alClient);
    memo->SetScrollBars(ssVertical);
    memo->SetWordWrap(false);
    form->Show();
    for (int i = 0; i < 3; ++i) {
        memo->Lines().Add("WWWW" + std::string(400, ' ') + "x");
        QCoreApplication::processEvents();
        const QImage img = memo->TextEdit()->viewport()->grab().toImage();
        bool ink = false;
        for (int y = 0; y < img.height() && !ink; ++y)
            for (int x = 0; x < 30 && !ink; ++x)
                ink = qGray(img.pixel(x, y)) < 110;
        EXPECT_TRUE(ink) << "the lines are shown from their middle after " << i + 1;
    }
}

TEST(RadioGroupTest, NoItemSelectedUntilOneIsPickedAndClickSeesTheIndex) {
    TRadioGroup g(nullptr);
    g.Items().Add("Помутнение");
    g.Items().Add("Помутнение+Застывание+ПТФ");
    int seen = -2, clicks = 0;
    g.OnClick = [&](TObject*) {
        ++clicks;
        seen = g.ItemIndex();
    };
    EXPECT_EQ(g.ItemIndex(), -1);
    g.SetItemIndex(-1);
    EXPECT_EQ(clicks, 0);
    auto buttons = g.Widget()->findChildren<QAbstractButton*>();
    ASSERT_EQ(buttons.size(), 2);
    buttons[1]->click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(seen, 1);
    buttons[1]->click(); // already selected: no change, no click
    EXPECT_EQ(clicks, 1);
    g.SetItemIndex(-1);
    EXPECT_EQ(g.ItemIndex(), -1);
    EXPECT_FALSE(buttons[0]->isChecked() || buttons[1]->isChecked());
}

TEST(MenuTest, ItemsRunTheirHandlerAndADashIsASeparator) {
    TForm form(nullptr);
    auto* menu = new TMainMenu(&form);
    auto* file = new TMenuItem(&form);
    auto* print = new TMenuItem(&form);
    auto* dashes = new TMenuItem(&form);
    auto* sep = new TMenuItem(&form);
    file->SetCaption("Файл");
    print->SetCaption("Печать...");
    dashes->SetCaption("---------------");
    sep->SetCaption("-");
    menu->Items()->Add(file);
    file->Add(print);
    file->Add(dashes);
    file->Add(sep);
    form.SetMenu(menu);
    int n = 0;
    print->OnClick = [&](TObject* s) {
        EXPECT_EQ(s, print);
        ++n;
    };
    print->Action()->trigger();
    dashes->Action()->trigger(); // no handler: nothing
    EXPECT_EQ(n, 1);
    EXPECT_FALSE(dashes->Action()->isSeparator());
    EXPECT_TRUE(sep->Action()->isSeparator());
    EXPECT_EQ(file->Count(), 3);
    EXPECT_GT(form.ClientRect().Top, 0); // the bar takes the top
}

TEST(GrabTest, WritesAPictureOfTheFormAtTheGivenSize) {
    TForm form(nullptr);
    auto* l = new TLabel(&form);
    l->SetParent(&form);
    l->SetCaption("Температура пробы  С°");
    const auto path = std::filesystem::temp_directory_path() / "coldpoint-ui-grab.png";
    std::filesystem::remove(path);
    ASSERT_TRUE(GrabToPng(&form, path.string(), 320, 200));
    QImage img(QString::fromStdString(path.string()));
    EXPECT_EQ(img.size(), QSize(320, 200));
    std::filesystem::remove(path);
}

TEST(ComponentTest, OwnerDestroysItsComponentsAndAControlLeavesItsParent) {
    auto* form = new TForm(nullptr);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    auto* label = new TLabel(form);
    label->SetParent(panel);
    EXPECT_EQ(panel->ControlCount(), 1);
    delete label;
    EXPECT_EQ(panel->ControlCount(), 0);
    EXPECT_EQ(form->ComponentCount(), 1);
    // A control owned elsewhere outlives the panel it was placed on.
    TLabel outside(nullptr);
    outside.SetParent(panel);
    delete form;
    EXPECT_EQ(outside.Parent(), nullptr);
    outside.SetCaption("still here");
    EXPECT_NE(outside.Widget(), nullptr);
}

TEST(ComponentTest, FindComponentSeesOnlyTheOwnersLiveComponents) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetName("Panel1");
    auto* edit = new TEdit(&form);
    edit->SetName("Edit1");
    edit->SetParent(panel);
    // Owned by the edit, not by the form.
    auto* inner = new TComponent(edit);
    inner->SetName("Inner");
    const std::pair<const char*, TComponent*> cases[] = {
        {"Panel1", panel}, {"Edit1", edit}, {"edit1", nullptr},
        {"Edit", nullptr}, {"", nullptr},   {"Inner", nullptr},
    };
    for (const auto& [name, found] : cases)
        EXPECT_EQ(form.FindComponent(name), found) << name;
    EXPECT_EQ(edit->FindComponent("Inner"), inner);
    delete edit;
    EXPECT_EQ(form.FindComponent("Edit1"), nullptr);
    EXPECT_EQ(form.FindComponent("Panel1"), panel);
}

} // namespace

namespace {

TEST(LabelTest, AutoSizeFitsTheTextWhateverBoundsAreSet) {
    TLabel l(nullptr);
    TFont f;
    f.Height = 44;
    f.Bold = true;
    l.SetFont(f);
    l.SetCaption("-12,3");
    l.SetBounds(20, 120, 10, 10);
    EXPECT_EQ(l.Left(), 20);
    EXPECT_GE(l.Height(), 44);
    EXPECT_GT(l.Width(), 10);
    l.SetAutoSize(false);
    l.SetBounds(0, 0, 300, 30);
    l.SetCaption("Прибор не подключен !");
    EXPECT_EQ(l.Width(), 300);
    EXPECT_EQ(l.Height(), 30);
}

} // namespace

namespace {

TEST(MouseClickTest, PanelsAndLabelsClickOnALeftPressAndReleaseAndKeepItToThemselves) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* label = new TLabel(&form);
    label->SetParent(panel);
    label->SetCaption("Label24");
    std::vector<std::string> log;
    form.OnClick = [&](TObject*) { log.push_back("form"); };
    panel->OnClick = [&](TObject*) { log.push_back("panel"); };
    label->OnClick = [&](TObject*) { log.push_back("label"); };
    label->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) {
        log.push_back("label up");
    };
    form.Show();
    auto send = [](QWidget* w, QEvent::Type t, Qt::MouseButton b) {
        const QPointF p(2, 2);
        QMouseEvent e(t, p, w->mapToGlobal(p), b, t == QEvent::MouseButtonPress ? b : Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    };
    send(label->Widget(), QEvent::MouseButtonPress, Qt::LeftButton);
    send(label->Widget(), QEvent::MouseButtonRelease, Qt::LeftButton);
    send(panel->Widget(), QEvent::MouseButtonPress, Qt::RightButton);
    send(panel->Widget(), QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_EQ(log, (std::vector<std::string>{"label", "label up"}));
}

} // namespace

namespace {

TEST(ImageTest, ShowsTheProgramIconStretchedAndRefusesAnUnreadableFile) {
    TImage img(nullptr);
    EXPECT_TRUE(img.Empty());
    img.ShowProgramIcon();
    EXPECT_FALSE(img.Empty());
    img.SetStretch(true);
    img.SetBounds(0, 0, 16, 16);
    EXPECT_EQ(img.Width(), 16);
    EXPECT_FALSE(img.LoadFromFile("/nonexistent/icon.png"));
    EXPECT_FALSE(img.Empty());
}

} // namespace
