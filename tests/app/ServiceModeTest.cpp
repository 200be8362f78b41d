// The key sequence that shows the service tabs, and the service charts' clear buttons.
#include "AppFixture.h"

#include <limits>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "app/Unit1Service.h"

namespace {

using apptest::AppFixture;

class ServiceModeTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindow();
    }

    void Type(std::u16string_view keys) {
        for (char16_t k : keys)
            form_->KeyPress(k);
    }

    bool TabsShown() const {
        const bool shown = form_->TabSheet4->TabVisible();
        EXPECT_EQ(form_->TabSheet5->TabVisible(), shown);
        EXPECT_EQ(form_->TabSheet6->TabVisible(), shown);
        return shown;
    }

    static void SendKey(QWidget* w, int key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &release);
    }
};

TEST_F(ServiceModeTest, TheSequenceShowsTheThreeTabsAndKeepsThePage) {
    ASSERT_FALSE(TabsShown());
    Type(u"41");
    EXPECT_FALSE(TabsShown());
    Type(u"7");
    EXPECT_TRUE(TabsShown());
    EXPECT_EQ(form_->PageControl1->ActivePage(), form_->TabSheet3);

    // Nothing hides them again.
    Type(u"x0417");
    EXPECT_TRUE(TabsShown());
}

TEST_F(ServiceModeTest, WhatAdvancesAndWhatResets) {
    struct Case {
        std::u16string keys;
        bool shown;
    };
    const Case cases[] = {
        {u"417", true},   {u"444", true}, // the first digit advances at any count
        {u"414", true},                   // '4' after "41" makes 3 as well
        {u"41x7", false}, {u"4x17", false}, {u"4x417", true}, // typed again from the first digit
        {u"17417", true}, {u"471", false},  {u"4117", false}, // the second digit counts only at 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keys.begin(), c.keys.end()));
        DestroyWindow();
        CreateWindow();
        Type(c.keys);
        EXPECT_EQ(TabsShown(), c.shown);
    }
}

TEST_F(ServiceModeTest, KeysWithoutACharacterNeitherAdvanceNorReset) {
    QWidget* w = form_->Window();
    SendKey(w, Qt::Key_4, "4");
    SendKey(w, Qt::Key_Left, "");
    SendKey(w, Qt::Key_F5, "");
    SendKey(w, Qt::Key_1, "1");
    SendKey(w, Qt::Key_Down, "");
    SendKey(w, Qt::Key_Delete, QString(QChar(0x7F))); // X11 gives Delete a character
    EXPECT_EQ(form_->FServiceKeyCount, 2);
    SendKey(w, Qt::Key_7, "7");
    EXPECT_TRUE(TabsShown());
}

TEST_F(ServiceModeTest, DigitsTypedIntoAnEditReachItToo) {
    form_->adr_one_byte->SetText("");
    QWidget* edit = form_->adr_one_byte->Widget();
    SendKey(edit, Qt::Key_4, "4");
    SendKey(edit, Qt::Key_1, "1");
    SendKey(edit, Qt::Key_7, "7");
    EXPECT_TRUE(TabsShown());
    EXPECT_EQ(form_->adr_one_byte->Text(), "417");
}

// The grid opens its editor on the first key and hands it the same key: it counts once.
TEST_F(ServiceModeTest, EachKeyTypedIntoAJournalCellCountsOnce) {
    form_->Show();
    form_->Widget()->activateWindow();
    form_->PageControl1->SetActivePage(form_->TabSheet1);
    form_->StringGrid1->SelectCell(5, 1);
    form_->StringGrid1->SetFocus();
    Drain();
    QWidget* grid = QApplication::focusWidget();
    ASSERT_NE(grid, nullptr);
    SendKey(grid, Qt::Key_4, "4");
    Drain();
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, grid) << "the first key opens the cell's editor";
    EXPECT_EQ(form_->FServiceKeyCount, 1);
    SendKey(editor, Qt::Key_7, "7");
    EXPECT_FALSE(TabsShown());
    EXPECT_EQ(form_->FServiceKeyCount, 0);
    EXPECT_EQ(form_->StringGrid1->Cells(5, 1), "47");

    SendKey(QApplication::focusWidget(), Qt::Key_4, "4");
    SendKey(QApplication::focusWidget(), Qt::Key_1, "1");
    SendKey(QApplication::focusWidget(), Qt::Key_7, "7");
    EXPECT_TRUE(TabsShown());
    EXPECT_EQ(form_->StringGrid1->Cells(5, 1), "47417");
}

TEST(ServiceKeyCount, StopsAtItsLargestValue) {
    constexpr auto top = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(app::NextServiceKeyCount(top, app::kServiceKey1), top);
    EXPECT_EQ(app::NextServiceKeyCount(top, app::kServiceKey2), 0);
}

TEST_F(ServiceModeTest, ClearButtonsEmptyTheFirstSeries) {
    // A loaded curve sits behind the designed series of Chart4.
    auto* loaded = new ui::TLineSeries(nullptr);
    loaded->SetParentChart(form_->Chart4);
    auto fill = [&] {
        for (ui::TLineSeries* s : {form_->Series7, form_->Series8, loaded}) {
            s->Clear();
            s->AddXY(1, 2);
            s->AddXY(2, 3);
        }
    };
    fill();
    form_->Button28->Click(); // "clear"
    EXPECT_EQ(form_->Series7->Count(), 0);
    EXPECT_EQ(form_->Series8->Count(), 2);
    EXPECT_EQ(loaded->Count(), 2);

    fill();
    form_->Button13->Click(); // "Очистить": Chart4's first series, then Chart5's
    EXPECT_EQ(form_->Series7->Count(), 0);
    EXPECT_EQ(form_->Series8->Count(), 0);
    EXPECT_EQ(loaded->Count(), 2);
    EXPECT_EQ(Boxes().Count(), 0);
}

} // namespace
