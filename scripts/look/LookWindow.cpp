// A picture of the main window for looking at it (scripts/look-window.sh runs this with
// COLDPOINT_LOOK_PNG set to the file to write).
#include "tests/app/AppFixture.h"

#include <cstdlib>

#include "app/Texts.h"
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

// Some of what a running determination shows, and a journal of two records with the second
// one's curves shown (its row marked).
void ShowARun(TForm1* f) {
    // Some of what a running determination shows.
    std::vector<std::uint8_t> p(64, 0);
    p[0] = 40;
    PutFloat(p, 1, -14.6f);
    PutFloat(p, 5, -13.9f);
    PutFloat(p, 9, 1873.25f);
    PutFloat(p, 13, -9.4f);
    PutFloat(p, 17, 77.0f);
    PutFloat(p, 21, 77.0f);
    p[25] = 1;
    f->ParseDeviceReport(f->FCurrentDevice, 0, p.data(), static_cast<std::uint16_t>(p.size()));
    f->Label4->SetCaption("Определение температуры помутнения, застывания, ПТФ.");
    f->Label5->SetCaption("93.4");
    for (int i = 0; i < 120; ++i) {
        const double t = 20.0 - 0.3 * i;
        f->Series5->AddXY(t, i < 80 ? 0.02 * i : 1.6 + 0.3 * (i - 80));
        f->Series6->AddXY(t, i < 90 ? 0.01 * i : 0.9 + 0.2 * (i - 90));
    }
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

} // namespace
