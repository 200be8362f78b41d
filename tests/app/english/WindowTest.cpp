// The English window: captions and header set at start, the design texts it keeps, the
// window without the PID-terms group, and the English run messages and notices.
#include "EnglishFixture.h"
#include "tests/platform/MessageLocale.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "app/Program.h"
#include "app/core/Journal.h"
#include "runtime/CodePage.h"

namespace {

using entest::EnglishFixture;

class EnglishWindow : public EnglishFixture {};

struct CaptionCase {
    const char* what;
    std::function<std::string(TForm1&)> read;
    const char* text;
};

std::string OnlyLine(ui::TStrings& lines) {
    return lines.Count() == 1 ? lines.Get(0) : "<" + std::to_string(lines.Count()) + " lines>";
}

TEST_F(EnglishWindow, StartsWithEnglishCaptions) {
    TForm1& f = *CreateEnglishWindow();
    const CaptionCase cases[] = {
        {"TabSheet1", [](TForm1& f) { return f.TabSheet1->Caption(); }, "Temperature"},
        {"TabSheet2", [](TForm1& f) { return f.TabSheet2->Caption(); },
         "Optical transmission , temperature"},
        {"TabSheet3", [](TForm1& f) { return f.TabSheet3->Caption(); },
         "Speed optical transmission"},
        {"GroupBox1", [](TForm1& f) { return f.GroupBox1->Caption(); }, "Temper"},
        {"GroupBox4", [](TForm1& f) { return f.GroupBox4->Caption(); }, "Optical transmission"},
        {"GroupBox2", [](TForm1& f) { return f.GroupBox2->Caption(); }, "Opacity temperature"},
        {"GroupBox3", [](TForm1& f) { return f.GroupBox3->Caption(); }, "Freezing temperature"},
        {"GroupBox5", [](TForm1& f) { return f.GroupBox5->Caption(); }, "CFPP"},
        {"N1", [](TForm1& f) { return f.N1->Caption(); }, "File"},
        {"N3", [](TForm1& f) { return f.N3->Caption(); }, "Print"},
        {"N2", [](TForm1& f) { return f.N2->Caption(); }, "Exit"},
        {"Form1", [](TForm1& f) { return f.Caption(); },
         "Analyzer cloud point and pour point of diesel fuel Dovrel"},
        {"ToolButton4", [](TForm1& f) { return f.ToolButton4->Caption(); }, "Show/Hide graph"},
        {"ToolButton2", [](TForm1& f) { return f.ToolButton2->Caption(); }, "Print..."},
        {"ToolButton1", [](TForm1& f) { return f.ToolButton1->Caption(); }, "Delete record..."},
        {"BitBtn3", [](TForm1& f) { return f.BitBtn3->Caption(); }, "POUR OFF"},
        {"BitBtn2", [](TForm1& f) { return f.BitBtn2->Caption(); }, "STOP"},
        {"BitBtn1", [](TForm1& f) { return f.BitBtn1->Caption(); }, "RUN"},
        {"Chart1 title", [](TForm1& f) { return OnlyLine(f.Chart1->TitleText()); }, "Temperature"},
        {"Chart1 foot", [](TForm1& f) { return OnlyLine(f.Chart1->FootText()); }, "Measurement"},
        {"Chart1 axis", [](TForm1& f) { return f.Chart1->LeftAxisTitle(); },
         "Optical transmission"},
        {"Chart2 title", [](TForm1& f) { return OnlyLine(f.Chart2->TitleText()); },
         "Optical transmission"},
        {"Chart2 foot", [](TForm1& f) { return OnlyLine(f.Chart2->FootText()); }, "Temperature"},
        {"Chart2 axis", [](TForm1& f) { return f.Chart2->LeftAxisTitle(); },
         "Optical transmission"},
        {"Chart3 title", [](TForm1& f) { return OnlyLine(f.Chart3->TitleText()); },
         "Speed optical transmission"},
        {"Chart3 foot", [](TForm1& f) { return OnlyLine(f.Chart3->FootText()); }, "Temperature"},
        {"Chart3 axis", [](TForm1& f) { return f.Chart3->LeftAxisTitle(); }, "Speed "},
        // Design texts that stay Russian.
        {"N4", [](TForm1& f) { return f.N4->Caption(); }, "---------------"},
        {"N8", [](TForm1& f) { return f.N8->Caption(); }, "Сохранить"},
        {"N9", [](TForm1& f) { return f.N9->Caption(); }, "Загрузить"},
        {"N10", [](TForm1& f) { return f.N10->Caption(); }, "Загрузить"},
        {"TabSheet4", [](TForm1& f) { return f.TabSheet4->Caption(); }, "Коррекции"},
        {"TabSheet5", [](TForm1& f) { return f.TabSheet5->Caption(); }, "Системная"},
        {"TabSheet6", [](TForm1& f) { return f.TabSheet6->Caption(); }, "eeprom"},
        {"Label1", [](TForm1& f) { return f.Label1->Caption(); }, "0"},
        {"Label2", [](TForm1& f) { return f.Label2->Caption(); }, "?"},
    };
    for (const CaptionCase& c : cases)
        EXPECT_EQ(c.read(f), c.text) << c.what;
}

TEST_F(EnglishWindow, JournalHeaderAndWidths) {
    TForm1& f = *CreateEnglishWindow();
    const char* heads[] = {"№", "Date", "Opacity", "Freezing", "CFPP", "Comment"};
    const int widths[] = {50, 110, 50, 50, 50};
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(f.StringGrid1->Cells(c, 0), heads[c]) << c;
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(f.StringGrid1->ColWidths(c), widths[c]) << c;
    // The filterability temperature reads the same in the display and the journal.
    EXPECT_EQ(f.GroupBox5->Caption(), f.StringGrid1->Cells(4, 0));
}

TEST_F(EnglishWindow, HasNoPidTermsGroup) {
    TForm1& f = *CreateEnglishWindow();
    EXPECT_EQ(f.GroupBox21, nullptr);
    for (void* c :
         {static_cast<void*>(f.Label24), static_cast<void*>(f.Label25),
          static_cast<void*>(f.Label26), static_cast<void*>(f.Label27),
          static_cast<void*>(f.Edit17), static_cast<void*>(f.Edit18), static_cast<void*>(f.Edit19),
          static_cast<void*>(f.Button35), static_cast<void*>(f.Button36)})
        EXPECT_EQ(c, nullptr);
    const std::string gone[] = {"GroupBox21", "Label24", "Label25", "Label26",  "Label27",
                                "Edit17",     "Edit18",  "Edit19",  "Button35", "Button36"};
    for (int i = 0; i < f.ComponentCount(); ++i)
        for (const std::string& name : gone)
            EXPECT_NE(f.Components(i)->Name(), name);
    // The rest of the tab is there, the heating group included.
    EXPECT_NE(f.GroupBox20, nullptr);
    EXPECT_NE(f.GroupBox22, nullptr);
    EXPECT_EQ(f.GroupBox20->Parent(), f.TabSheet4);
}

// The parameter table finds no edit of the removed group, so neither a reply nor a write
// reaches them; every other parameter edit it finds.
TEST_F(EnglishWindow, TheParameterTableSkipsTheRemovedEdits) {
    TForm1& f = *CreateEnglishWindow();
    const std::pair<core::TParameterRef, ui::TEdit*> cases[] = {
        {{core::grPid, 0}, nullptr},         {{core::grPid, 1}, nullptr},
        {{core::grPid, 2}, nullptr},         {{core::grHeating, 0}, f.Edit13},
        {{core::grDfThreshold, 0}, f.gr_df}, {{core::grCirrus, 0}, f.Edit1},
    };
    for (const auto& [ref, edit] : cases)
        EXPECT_EQ(f.ParameterEdit(ref), edit) << core::ParameterValue(ref).Edit.Name;
}

TEST_F(EnglishWindow, DesignSizesDifferFromTheRussianWindow) {
    // The same class unshaped is the Russian window.
    TForm1 russian(nullptr);
    TForm1& f = *CreateEnglishWindow();
    EXPECT_NE(russian.GroupBox21, nullptr);
    EXPECT_EQ(f.GroupBox20->Top(), russian.GroupBox20->Top() + 16);
    EXPECT_EQ(f.GroupBox20->Left(), russian.GroupBox20->Left());
    EXPECT_EQ(f.WindowState(), ui::wsMaximized);
    EXPECT_EQ(f.StringGrid1->Height(), 133);
    EXPECT_EQ(f.StringGrid1->Align(), russian.StringGrid1->Align());
}

// Opened as the programs open them, the two windows lay the main screen out alike: the
// journal's tool bar below the grid in both.
TEST_F(EnglishWindow, MainScreenLaidOutAsInTheRussianWindow) {
    auto* russian = new TForm1(nullptr);
    TForm1& english = *CreateEnglishWindow();
    for (TForm1* f : {russian, &english}) {
        f->Show();
        f->Widget()->resize(1400, 900); // the same size for both
    }
    Drain();
    auto at = [](const ui::TControl* c) {
        return std::vector<int>{c->Left(), c->Top(), c->Width(), c->Height()};
    };
    auto controls = [](TForm1& f) {
        return std::vector<std::pair<const char*, ui::TControl*>>{
            {"StatusBar1", f.StatusBar1},   {"Panel4", f.Panel4},
            {"Panel3", f.Panel3},           {"Panel1", f.Panel1},
            {"Panel2", f.Panel2},           {"PageControl1", f.PageControl1},
            {"StringGrid1", f.StringGrid1}, {"ToolBar1", f.ToolBar1}};
    };
    const auto ru = controls(*russian);
    const auto en = controls(english);
    for (std::size_t i = 0; i < ru.size(); ++i) {
        std::vector<int> want = at(ru[i].second);
        // The English design's grid is lower; the pages above it take the difference.
        if (ru[i].second == russian->StringGrid1) {
            want[1] += want[3] - 133;
            want[3] = 133;
        } else if (ru[i].second == russian->PageControl1) {
            want[3] += russian->StringGrid1->Height() - 133;
        }
        EXPECT_EQ(at(en[i].second), want) << ru[i].first;
    }
    for (TForm1* f : {russian, &english})
        EXPECT_EQ(f->ToolBar1->Top(), f->StringGrid1->Top() + f->StringGrid1->Height())
            << f->Caption() << ": the tool bar is right below the journal";
    delete russian;
}

// No placed control of the corrections tab covers another in either build: the heating
// group, lower in the English build, stays clear of the cooling-speed group above it.
TEST_F(EnglishWindow, CorrectionsTabControlsDoNotCoverEachOther) {
    TForm1 russian(nullptr);
    TForm1& english = *CreateEnglishWindow();
    for (TForm1* f : {&russian, &english}) {
        const ui::TTabSheet* tab = f->TabSheet4;
        for (int i = 0; i < tab->ControlCount(); ++i)
            for (int j = i + 1; j < tab->ControlCount(); ++j) {
                const ui::TControl* a = tab->Controls(i);
                const ui::TControl* b = tab->Controls(j);
                if (a->Align() != ui::alNone || b->Align() != ui::alNone)
                    continue; // the hex log fills the bottom
                const bool across =
                    a->Left() < b->Left() + b->Width() && b->Left() < a->Left() + a->Width();
                const bool down =
                    a->Top() < b->Top() + b->Height() && b->Top() < a->Top() + a->Height();
                EXPECT_FALSE(across && down)
                    << f->FParseRules.PidTerms << ": " << a->Name() << " and " << b->Name();
            }
    }
}

TEST_F(EnglishWindow, UsesTheEnglishParsingRules) {
    const TForm1& f = *CreateEnglishWindow();
    EXPECT_FALSE(f.FParseRules.VersionSelectsLayout);
    EXPECT_FALSE(f.FParseRules.PidTerms);
    EXPECT_FALSE(f.FParseRules.AuxByte);
}

TEST_F(EnglishWindow, NotConnectedNotices) {
    TForm1& f = *CreateEnglishWindow();
    ASSERT_EQ(f.FCurrentDevice, nullptr);
    f.BitBtn1Click(nullptr);
    EXPECT_EQ(Panel(0), "The device is not connected!");
    ASSERT_TRUE(f.Timer1->Tick());
    EXPECT_EQ(f.Label4->Caption(), "Device not connected !");
    f.Label4->SetCaption("");
    f.Timer2->SetEnabled(true);
    ASSERT_TRUE(f.Timer2->Tick());
    EXPECT_EQ(f.Label4->Caption(), "Device not connected !");
}

// The English build shows its own texts in English, the platform's in the language of the
// user's locale as the Russian build does.
TEST_F(EnglishWindow, WriteFailuresInEnglish) {
    struct Case {
        sim::OpenMode mode;
        std::uint16_t length;
        const char* locale;
        const char* text;
    };
    const Case cases[] = {
        {sim::OpenMode::QueryOnly, 65, "en_US.UTF-8", "WRITE ERROR: Access denied (5)"},
        {sim::OpenMode::QueryOnly, 65, "ru_RU.UTF-8", "WRITE ERROR: Отказано в доступе (5)"},
        {sim::OpenMode::ReadWrite, 66, "ru_RU.UTF-8", "Output report length 66 is not supported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const platform_test::MessageLocale locale(c.locale);
        auto info = apptest::DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid);
        info.openMode = c.mode;
        info.outputReportLength = c.length;
        sim::VirtualBus::Instance().Plug(std::make_shared<sim::RecordingDevice>(info));
        TForm1& f = *CreateEnglishWindowWithDevices(1);
        ASSERT_NE(f.FCurrentDevice, nullptr);
        f.BitBtn2Click(nullptr);
        ASSERT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(Boxes().Last().text, std::string("0 = ") + c.text);
        ASSERT_TRUE(f.Timer1->Tick());
        EXPECT_EQ(Panel(0), c.text);
        DestroyWindow();
        Boxes().Clear();
        sim::VirtualBus::Instance().Reset();
    }
}

class EnglishRun : public EnglishFixture {
protected:
    void SetUp() override {
        EnglishFixture::SetUp();
        CreateEnglishWindow();
        Plug(apptest::RecordingAnalyzer());
        ASSERT_NE(form_->FCurrentDevice, nullptr);
        form_->Timer2->SetEnabled(true);
    }
};

struct MessageCase {
    std::uint8_t state;
    float temperature;
    const char* text;
};

TEST_F(EnglishRun, RunMessagesByState) {
    const MessageCase cases[] = {
        {0, 5, "The measurement is complete. There is a recovery of temperature!"},
        {0, 10, "The device is ready for operation!"},
        {1, 20, "Для запуска определения температуры помутнения нажмите \"ПУСК\" !"},
        {2, 20, "Для запуска определения предельной температуры фильтруемости нажмите \"ПУСК\" !"},
        {3, 20, "Click RUN to continue"},
        {4, 20, "Для запуска определения предельной температуры фильтруемости нажмите \"ПУСК\" !"},
        {5, 20, "The measurement is complete"},
        {20, 20, "Defining the temperature of the device ..."},
        {30, 20, "Search the CFPP ..."},
        {40, 20, "Search temperature cloud point, pour point, CFPP..."},
        {50, 20, "Определение предельной температуры фильтруемости..."},
        {100, 20, "The device is not ready !"},
        {6, 20, ""},
    };
    for (const MessageCase& c : cases) {
        form_->Label4->SetCaption("before");
        form_->FState = c.state;
        form_->FTemperature = c.temperature;
        // A ready or running state leaves a record pending; the idle and end states would
        // append one, which is not what is looked at here.
        form_->FRecordPending = false;
        ASSERT_TRUE(form_->Timer2->Tick());
        EXPECT_EQ(form_->Label4->Caption(), c.text) << int(c.state);
    }
    // The texts of states 30 and 50 differ in this build only.
    EXPECT_NE(app::Texts().State30, app::Texts().State50);
    EXPECT_STREQ(app::RussianTexts.State30, app::RussianTexts.State50);
}

TEST_F(EnglishRun, SecondsCounterHasNoBlankAfterTheSign) {
    form_->FRunSeconds = 0;
    form_->Timer3->SetEnabled(true);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(form_->Timer3->Tick());
    EXPECT_EQ(Panel(1), "Measurement time(sek.)=3");
}

TEST_F(EnglishWindow, RussianJournalOpensWithTheEnglishHeader) {
    core::TJournalRow record{"1", "10.12.2026 09:15", "-8.3", "?", "?", "Присадка."};
    core::SaveJournalFile((Dir() / "data2.tab").string(), {record});
    TForm1& f = *CreateEnglishWindow();
    EXPECT_EQ(f.StringGrid1->Cells(1, 0), "Date");
    EXPECT_EQ(f.StringGrid1->Cells(5, 0), "Comment");
    ASSERT_GE(f.StringGrid1->RowCount(), 2);
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(f.StringGrid1->Cells(c, 1), record[c]) << c;
    // Closing writes rows 1 on, never the header: the Russian build reads the same file.
    f.SaveJournal();
    const auto rows = core::LoadJournalFile((Dir() / "data2.tab").string()).Rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], record);
}

// A journal that did not load whole is kept beside it, and the box says so in English.
TEST_F(EnglishWindow, AJournalKeptBesideItIsToldInEnglish) {
    const std::string damaged =
        core::SerializeJournal({{"1", "10.12.2026 09:15", "-8.3", "?", "?", " "}}) + "2\r\n";
    { std::ofstream(Dir() / "data2.tab", std::ios::binary) << damaged; }
    TForm1& f = *CreateEnglishWindow();
    Boxes().Clear();
    f.SaveJournal();
    const std::string kept = (Dir() / "data2.tab.bak").string();
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Requests()[0].text,
              "The journal data2.tab was not read in full. Its previous content was kept in the "
              "file " +
                  kept);
    std::ifstream in(kept, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), damaged);
}

TEST_F(EnglishWindow, CharactersTheJournalCannotHoldAreNamedInEnglish) {
    TForm1& f = *CreateEnglishWindow();
    Boxes().Clear();
    f.StringGrid1->SetCells(5, 1, "sample ✓");
    f.SaveJournal();
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().text,
              "The journal data2.tab cannot hold the characters ✓: they were written as \"?\".");
}

// The curve files kept aside and the question when the old journal can be kept nowhere, in
// English.
TEST_F(EnglishWindow, CurveFilesKeptAsideAndTheJournalKeptNowhereAreToldInEnglish) {
    const std::string damaged =
        core::SerializeJournal({{"1", "10.12.2026 09:15", "-8.3", "?", "?", " "}}) + "2\r\n";
    { std::ofstream(Dir() / "data2.tab", std::ios::binary) << damaged; }
    { std::ofstream(Dir() / "gr" / "gr2.txt", std::ios::binary) << "old"; }
    TForm1& f = *CreateEnglishWindow();
    Boxes().Clear();
    f.SaveJournal();
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().text,
              "The journal data2.tab was not read in full. Its previous content was kept in the "
              "file " +
                  (Dir() / "data2.tab.bak").string() +
                  "\nThe curve files of records that are not in the journal were kept as:\n" +
                  (Dir() / "gr" / "gr2.txt.bak").string());
    EXPECT_EQ(app::Texts().JournalNotKept,
              std::string("The previous content of the journal data2.tab, which was not read in "
                          "full, cannot be kept anywhere. Write the journal without it? The part "
                          "that was not read will be lost.\n"));
}

TEST_F(EnglishWindow, MissingJournalStillLeavesTheEnglishCaptions) {
    std::filesystem::remove(Dir() / "data2.tab");
    TForm1& f = *CreateEnglishWindow();
    // The load's error box, and the captions set before it.
    EXPECT_GE(Boxes().Count(), 1);
    EXPECT_EQ(f.StringGrid1->Cells(1, 0), "Date");
    EXPECT_EQ(f.BitBtn1->Caption(), "RUN");
    EXPECT_EQ(f.Caption(), "Analyzer cloud point and pour point of diesel fuel Dovrel");
}

} // namespace
