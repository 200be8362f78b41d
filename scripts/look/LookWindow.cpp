// A picture of the main window for looking at it (scripts/look-window.sh runs this with
// COLDPOINT_LOOK_PNG set to the file to write).
#include "tests/app/AppFixture.h"

#include <cstdlib>
#include <fstream>

#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "app/Texts.h"
#include "app/core/Journal.h"
#include "app/english/EnglishTexts.h"
#include "app/english/EnglishWindow.h"
#include "ui/Grab.h"

namespace {

using apptest::PutFloat;

class LookWindow : public apptest::AppFixture {};

// The picture's path with suffix in place of ".png".
std::string Beside(const char* path, const char* suffix) {
    std::string base = path;
    if (base.size() > 4 && base.substr(base.size() - 4) == ".png")
        base.resize(base.size() - 4);
    return base + suffix;
}

// A status report of the given state as the analyzer sends it during a determination.
void Report(TForm1* f, std::uint8_t state, float signal) {
    std::vector<std::uint8_t> p(64, 0);
    p[0] = state;
    PutFloat(p, 1, -14.6f);
    PutFloat(p, 5, -13.9f);
    PutFloat(p, 9, signal);
    PutFloat(p, 13, -9.4f);
    PutFloat(p, 17, 77.0f);
    PutFloat(p, 21, 77.0f);
    p[25] = 1;
    f->ParseDeviceReport(f->FCurrentDevice, 0, p.data(), static_cast<std::uint16_t>(p.size()));
}

// The curves of a determination on the rate chart.
void DrawCurves(TForm1* f) {
    for (int i = 0; i < 120; ++i) {
        const double t = 20.0 - 0.3 * i;
        f->Series5->AddXY(t, i < 80 ? 0.02 * i : 1.6 + 0.3 * (i - 80));
        f->Series6->AddXY(t, i < 90 ? 0.01 * i : 0.9 + 0.2 * (i - 90));
    }
}

// Some of what a running determination shows (the build's own run display writes the message
// line and the transmission), and a journal of two records with the second one's curves
// shown (its row marked).
void ShowARun(TForm1* f) {
    f->Timer2->SetEnabled(true);
    Report(f, 40, 1873.25f);
    f->Timer2->Tick(); // takes the signal as 100 %
    Report(f, 40, 1749.6f);
    f->Timer2->Tick();
    DrawCurves(f);
    f->StringGrid1->SetRowTexts(1, {"1", "09.12.2026  14:02:11", "-9.4", "-21.3", "-15", " "});
    f->StringGrid1->SetRowCount(3);
    f->StringGrid1->SetRowTexts(2, {"2", "10.12.2026  09:41:57", "-8.9", "?", "?", "Присадка."});
    f->CreateGraphBoxes();
    f->StatusBar1->Panels(1).SetText(std::string(app::Texts().RunSecondsPrefix) + "512");

    f->Show();
    f->StringGrid1->SelectCell(0, 2);
    f->ToolButton4->Click();
}

TEST_F(LookWindow, Window) {
    const char* path = std::getenv("COLDPOINT_LOOK_PNG");
    ASSERT_NE(path, nullptr) << "set COLDPOINT_LOOK_PNG";
    TForm1* f = CreateWindow();
    Plug(apptest::RecordingAnalyzer());
    ShowARun(f);
    EXPECT_TRUE(ui::GrabToPng(f, path, 1280, 800));
}

// The English build's window: <name>-english.png beside the picture.
TEST_F(LookWindow, EnglishWindow) {
    const char* path = std::getenv("COLDPOINT_LOOK_PNG");
    ASSERT_NE(path, nullptr) << "set COLDPOINT_LOOK_PNG";
    app::UseTexts(english::EnglishTexts);
    form_ = english::CreateMainWindow(nullptr);
    QuietTimers();
    Plug(apptest::RecordingAnalyzer());
    ShowARun(form_);
    EXPECT_TRUE(ui::GrabToPng(form_, Beside(path, "-english.png"), 1280, 800));
    DestroyWindow();
    app::UseTexts(app::RussianTexts);
}

// The service tabs, shown: <name>-corrections.png, -system.png, -eeprom.png beside the picture.
TEST_F(LookWindow, ServiceTabs) {
    const char* path = std::getenv("COLDPOINT_LOOK_PNG");
    ASSERT_NE(path, nullptr) << "set COLDPOINT_LOOK_PNG";
    const std::string base = Beside(path, "");
    TForm1* f = CreateWindow();
    for (ui::TTabSheet* s : {f->TabSheet4, f->TabSheet5, f->TabSheet6})
        s->SetTabVisible(true);
    std::vector<std::uint8_t> p(64, 0);
    p[0] = 0x82;
    p[1] = 0x12;
    p[2] = 0x40;
    for (int i = 0; i < 32; ++i)
        p[6 + i] = static_cast<std::uint8_t>(i * 7);
    Parse(p);
    f->Show();
    const std::pair<ui::TTabSheet*, const char*> tabs[] = {{f->TabSheet4, "-corrections.png"},
                                                           {f->TabSheet5, "-system.png"},
                                                           {f->TabSheet6, "-eeprom.png"}};
    for (const auto& [tab, suffix] : tabs) {
        f->PageControl1->SetActivePage(tab);
        EXPECT_TRUE(ui::GrabToPng(f, base + suffix, 1280, 800));
    }
}

// Every tab of both builds as the screen shows the window maximized:
// <folder>/screen-russian-<n>.png and screen-english-<n>.png for tabs 1 to 6, in the folder
// COLDPOINT_LOOK_SCREEN names. scripts/look-screen.sh runs this on a virtual X server of the
// screen's size with a window manager.
class LookScreen : public LookWindow {
protected:
    // The window maximized by the window manager, laid out and painted.
    void ShowMaximized(TForm1* f) {
        f->Show();
        QWidget* w = f->Widget();
        const QSize screen = w->screen()->availableGeometry().size();
        QSize last;
        int steady = 0;
        // Until the window manager has given the window its size and it has kept it a while.
        WaitUntil([&] {
            const QSize now = w->size();
            steady = now == last && w->isVisible() && now.width() >= screen.width() - 40
                         ? steady + 1
                         : 0;
            last = now;
            return steady >= 20;
        });
    }

    void Pictures(TForm1* f, const std::string& stem) {
        // A journal, a running determination's message line and curves, the service tabs
        // revealed and their hex log filled.
        Plug(apptest::RecordingAnalyzer());
        f->Timer2->SetEnabled(true);
        Report(f, 3, 1873.25f);
        f->Timer2->Tick();
        DrawCurves(f);
        for (char16_t k : {u'4', u'1', u'7'})
            f->FormKeyPress(f, k);
        for (int i = 0; i < 6; ++i)
            Report(f, 3, 1873.25f);
        std::vector<std::uint8_t> eeprom(64, 0);
        eeprom[0] = 0x82;
        eeprom[2] = 14;
        eeprom[5] = 10;
        for (int i = 0; i < 32; ++i)
            eeprom[6 + i] = static_cast<std::uint8_t>(i * 7);
        Parse(eeprom);
        ShowMaximized(f);
        ui::TTabSheet* tabs[] = {f->TabSheet1, f->TabSheet2, f->TabSheet3,
                                 f->TabSheet4, f->TabSheet5, f->TabSheet6};
        for (int i = 0; i < 6; ++i) {
            f->PageControl1->SetActivePage(tabs[i]);
            for (int k = 0; k < 10; ++k)
                Drain();
            const QPixmap screen = f->Widget()->screen()->grabWindow(0);
            EXPECT_TRUE(screen.save(QString::fromStdString(stem + std::to_string(i + 1) + ".png")));
        }
    }

    // A journal of 40 records, the last one with a comment.
    void WriteJournal() {
        std::vector<core::TJournalRow> rows;
        for (int i = 1; i <= 40; ++i)
            rows.push_back({std::to_string(i), "10.12.2026  09:41:57", "-8.9", "-21.3", "-15.2",
                            i == 40 ? "Присадка." : " "});
        std::ofstream(Dir() / "data2.tab", std::ios::binary) << core::SerializeJournal(rows);
    }
};

TEST_F(LookScreen, EveryTabOfBothBuilds) {
    const char* dir = std::getenv("COLDPOINT_LOOK_SCREEN");
    if (!dir)
        GTEST_SKIP() << "set COLDPOINT_LOOK_SCREEN";
    const std::string folder = std::string(dir) + "/";
    WriteJournal();
    Pictures(CreateWindow(), folder + "screen-russian-");
    DestroyWindow();

    WriteJournal();
    app::UseTexts(english::EnglishTexts);
    form_ = english::CreateMainWindow(nullptr);
    QuietTimers();
    Pictures(form_, folder + "screen-english-");
    DestroyWindow();
    app::UseTexts(app::RussianTexts);
}

} // namespace
