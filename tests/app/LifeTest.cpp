// The main window's life: FormCreate on the program's journal, the resize rule for the
// comment column, FormClose and "Выход", the About box and the method dialog, the program
// entry's order.
#include "AppFixture.h"
#include "JournalSupport.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include "app/Program.h"
#include "app/Unit2.h"
#include "app/about.h"
#include "app/core/Journal.h"
#include "app/SessionEnd.h"
#include "platform/CopyLock.h"
#include "platform/testing/FileCalls.h"
#include "tests/platform/FolderNames.h"
#include "tests/platform/HangGuard.h"

#include <QGuiApplication>
#include <QSessionManager>

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using apptest::AppFixture;
using apptest::ReadBytes;
using apptest::WriteBytes;
using platform_test::NamesIn;

// The widths of journal columns 0 to 4 together.
int FirstFive(const ui::TStringGrid* g) {
    int sum = 0;
    for (int c = 0; c < 5; ++c)
        sum += g->ColWidths(c);
    return sum;
}

class Life : public AppFixture {
protected:
    std::filesystem::path Journal() const { return Dir() / "data2.tab"; }

    static std::string JournalOf(int records) {
        std::vector<core::TJournalRow> rows;
        for (int i = 1; i <= records; ++i)
            rows.push_back({std::to_string(i), "01.02.2014  10:0" + std::to_string(i) + ":00", "-5",
                            "-25", "-15", " "});
        return core::SerializeJournal(rows);
    }

    // A second close made possible: the window stays the test's.
    void MakeJournalUnwritable() {
        std::filesystem::remove(Journal());
        std::filesystem::create_directories(Journal() / "x");
    }
};

TEST_F(Life, StartWithAJournalShowsItsRecordsWithTheLastOnTop) {
    WriteBytes(Journal(), JournalOf(3));
    TForm1* f = CreateWindow();
    EXPECT_EQ(Boxes().Count(), 0);
    ui::TStringGrid* g = f->StringGrid1;
    ASSERT_EQ(g->RowCount(), 4);
    EXPECT_EQ(g->Cells(0, 3), "3");
    EXPECT_EQ(g->TopRow(), 3);
    EXPECT_FALSE(f->FRecordPending);
    for (int r = 1; r <= 3; ++r)
        EXPECT_NE(app::GraphBoxOf(g->Objects(5, r)), nullptr) << r;

    const char* header[] = {"№", "Дата", "Помутнение", "Застывание", "ПТФ", "Комментарий"};
    const int widths[] = {50, 110, 50, 50, 50};
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(g->Cells(c, 0), header[c]);
    // The designed widths, or the texts' where they need more.
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(g->ColWidths(c), std::max(widths[c], g->ColTextWidth(c))) << c;
    EXPECT_EQ(g->ColWidths(0), 50);
    EXPECT_EQ(g->ColWidths(4), 50);
    EXPECT_EQ(g->ColWidths(5), g->Width() - FirstFive(g) - 50);
}

TEST_F(Life, StartWithAnEmptyJournalKeepsOneEmptyRow) {
    TForm1* f = CreateWindow();
    EXPECT_EQ(Boxes().Count(), 0);
    EXPECT_EQ(f->StringGrid1->RowCount(), 2);
    EXPECT_EQ(f->StringGrid1->TopRow(), 1);
    EXPECT_NE(app::GraphBoxOf(f->StringGrid1->Objects(5, 1)), nullptr);
}

TEST_F(Life, StartSetsTheCurrentDirectoryToTheProgramsDirectory) {
    CreateWindow();
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(ec), Dir(), ec));
    EXPECT_FALSE(ec) << ec.message();
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
}

TEST_F(Life, MissingJournalShowsOneErrorBoxAndClosingWritesTheFile) {
    ui::Application->SetTitle(app::kApplicationTitle);
    std::filesystem::remove(Journal());
    TForm1* f = CreateWindow();
    ASSERT_EQ(Boxes().Count(), 1);
    const ui::ModalRequest& box = Boxes().Last();
    EXPECT_EQ(box.icon, ui::ModalIcon::Error);
    EXPECT_EQ(box.caption, app::kApplicationTitle);
    EXPECT_NE(box.text.find("Cannot open file \"" + Journal().string() + "\""), std::string::npos)
        << box.text;

    // a usable window: the header, one empty row, no graph boxes
    EXPECT_EQ(f->StringGrid1->Cells(0, 0), "№");
    EXPECT_EQ(f->StringGrid1->RowCount(), 2);
    EXPECT_EQ(f->StringGrid1->Cells(0, 1), "");
    EXPECT_EQ(f->StringGrid1->Objects(5, 1), nullptr);
    EXPECT_FALSE(f->FRecordPending);
    f->ToolButton4->Click();
    EXPECT_EQ(Boxes().Count(), 1);

    f->Show();
    f->Close();
    EXPECT_FALSE(f->Visible());
    EXPECT_EQ(ReadBytes(Journal()), "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    EXPECT_EQ(Boxes().Count(), 1);

    // the next start finds it
    DestroyWindow();
    Boxes().Clear();
    CreateWindow();
    EXPECT_EQ(Boxes().Count(), 0);
    EXPECT_EQ(form_->StringGrid1->RowCount(), 2);
}

// A FIFO named data2.tab is refused as any journal that cannot be read, without waiting for
// a writer; the close moves it aside as a journal that did not load and writes a new one.
TEST_F(Life, AFifoAsTheJournalShowsTheOpenErrorAndTheStartGoesOn) {
    ui::Application->SetTitle(app::kApplicationTitle);
    std::filesystem::remove(Journal());
    ASSERT_EQ(::mkfifo(Journal().c_str(), 0644), 0);
    {
        HangGuard guard(Journal().string());
        TForm1* f = CreateWindow();
        EXPECT_FALSE(guard.Hung());
        ASSERT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(Boxes().Last().icon, ui::ModalIcon::Error);
        EXPECT_NE(Boxes().Last().text.find("Cannot open file \"" + Journal().string() +
                                           "\". Not a regular file"),
                  std::string::npos)
            << Boxes().Last().text;
        EXPECT_EQ(f->StringGrid1->RowCount(), 2);

        f->Show();
        f->Close();
        EXPECT_FALSE(f->Visible());
        EXPECT_FALSE(guard.Hung());
    }
    EXPECT_EQ(ReadBytes(Journal()), "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    EXPECT_TRUE(std::filesystem::is_fifo(Dir() / "data2.tab.bak"));
}

// The temporary files of saves cut short are removed at the start, in the program's folder
// and in gr/; nothing else is.
TEST_F(Life, TheStartRemovesStaleTemporariesOfSaves) {
    WriteBytes(Journal(), JournalOf(1));
    const std::vector<std::filesystem::path> stale = {Dir() / "data2.tab.tmp4242-0",
                                                      Dir() / "data2.tab.tmp-00112233445566ff",
                                                      Dir() / "gr" / "gr1.txt.tmp77-3"};
    const std::vector<std::filesystem::path> kept = {Dir() / "data2.tab.bak", Dir() / "notes.tmp",
                                                     Dir() / "gr" / "gr1.txt.tmp",
                                                     Dir() / "gr" / "gr1.txt.old"};
    for (const auto& p : stale)
        WriteBytes(p, "cut");
    for (const auto& p : kept)
        WriteBytes(p, "mine");
    CreateWindow();
    EXPECT_EQ(Boxes().Count(), 0);
    for (const auto& p : stale)
        EXPECT_FALSE(std::filesystem::exists(p)) << p;
    for (const auto& p : kept)
        EXPECT_EQ(ReadBytes(p), "mine") << p;
    EXPECT_EQ(ReadBytes(Journal()), JournalOf(1));
}

TEST_F(Life, ExitWritesTheJournalAsTheCloseBoxDoes) {
    WriteBytes(Journal(), JournalOf(2));
    TForm1* f = CreateWindow();
    f->StringGrid1->SetCells(5, 2, "примечание");
    f->Show();
    f->Close();
    const std::string closed = ReadBytes(Journal());
    ASSERT_EQ(core::ParseJournal(closed).size(), 2u);
    EXPECT_EQ(core::ParseJournal(closed)[1][5], "примечание");

    WriteBytes(Journal(), JournalOf(2));
    f->Show();
    f->N2->Click(); // "Выход"
    EXPECT_FALSE(f->Visible());
    EXPECT_EQ(ReadBytes(Journal()), closed);
}

TEST_F(Life, UnwritableJournalAbandonsTheCloseUntilALaterOne) {
    ui::Application->SetTitle(app::kApplicationTitle);
    WriteBytes(Journal(), JournalOf(1));
    TForm1* f = CreateWindow();
    f->Show();
    MakeJournalUnwritable();
    f->Close();
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().caption, app::kApplicationTitle);
    EXPECT_NE(Boxes().Last().text.find("Cannot create file"), std::string::npos)
        << Boxes().Last().text;
    EXPECT_TRUE(f->Visible()) << "the window stays open";

    std::filesystem::remove_all(Journal());
    f->Close();
    EXPECT_FALSE(f->Visible());
    EXPECT_EQ(core::ParseJournal(ReadBytes(Journal())).size(), 1u);
}

TEST_F(Life, ResizeGivesTheCommentColumnTheRestOfTheGrid) {
    TForm1* f = CreateWindow();
    f->SetWindowState(ui::wsNormal);
    f->Show();
    f->SetBounds(0, 0, 1100, 700);
    Drain();
    ui::TStringGrid* g = f->StringGrid1;
    EXPECT_EQ(g->ColWidths(0), 50);
    const int others = FirstFive(g) - g->ColWidths(1);
    EXPECT_EQ(g->ColWidths(5), g->Width() - FirstFive(g) - 50);

    g->SetColWidths(1, 200); // the user widened the date column
    f->SetBounds(0, 0, 1200, 700);
    Drain();
    EXPECT_EQ(g->ColWidths(1), 200);
    EXPECT_EQ(g->ColWidths(5), g->Width() - others - 200 - 50);

    const int before = g->Width();
    f->SetBounds(0, 0, 900, 700);
    Drain();
    EXPECT_LT(g->Width(), before);
    EXPECT_EQ(g->ColWidths(5), g->Width() - others - 200 - 50);

    // A very narrow window: the computed width is kept as it is, below zero too.
    g->SetColWidths(1, 2000);
    f->SetBounds(0, 0, 800, 700);
    Drain();
    EXPECT_LT(g->Width() - others - 2000 - 50, 0);
    EXPECT_EQ(g->ColWidths(5), g->Width() - others - 2000 - 50);
}

TEST_F(Life, DevicePluggedBeforeStartIsBoundOnlyFromTheLoop) {
    auto analyzer = apptest::RecordingAnalyzer();
    sim::VirtualBus::Instance().Plug(analyzer);
    TForm1* f = CreateWindow();
    EXPECT_TRUE(f->FDeviceList.empty()) << "no enumeration inside FormCreate";
    EXPECT_EQ(f->FCurrentDevice, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return f->FCurrentDevice != nullptr; }));
    EXPECT_EQ(f->FDeviceList.size(), 1u);
}

// ---- the About box and the method dialog -----------------------------------------------------

class Dialogs : public AppFixture {
protected:
    void TearDown() override {
        delete AboutBox;
        AboutBox = nullptr;
        delete Form2;
        Form2 = nullptr;
        AppFixture::TearDown();
    }
};

TEST_F(Dialogs, AboutBoxAsDesigned) {
    AboutBox = new TAboutBox(nullptr);
    TAboutBox* a = AboutBox;
    EXPECT_EQ(a->Caption(), "О программе");
    EXPECT_EQ(a->BorderStyle(), ui::bsDialog);
    EXPECT_EQ(a->Position(), ui::poScreenCenter);
    EXPECT_EQ(a->ClientWidth(), 234);
    EXPECT_EQ(a->ClientHeight(), 177);
    EXPECT_EQ(a->ProductName->Caption(), "Kelvane A");
    EXPECT_EQ(a->Version->Caption(), "Version 3.1A  Build 09.2014");
    EXPECT_EQ(a->ProgramIcon->Width(), 16);
    EXPECT_EQ(a->ProgramIcon->Height(), 16);
    for (ui::TControl* c :
         {static_cast<ui::TControl*>(a->ProgramIcon), static_cast<ui::TControl*>(a->ProductName),
          static_cast<ui::TControl*>(a->Version), static_cast<ui::TControl*>(a->Copyright),
          static_cast<ui::TControl*>(a->Comments), static_cast<ui::TControl*>(a->Contact1),
          static_cast<ui::TControl*>(a->Contact2)})
        EXPECT_EQ(c->Parent(), a->Panel1);
    // side by side in the panel's top line
    EXPECT_EQ(a->ProductName->Top(), a->Version->Top());
    EXPECT_LE(a->ProductName->Left() + a->ProductName->Width(), a->Version->Left());
    EXPECT_LE(a->Version->Left() + a->Version->Width(), a->Panel1->Width());
    EXPECT_EQ(a->OKButton->Caption(), "OK");
    EXPECT_TRUE(a->OKButton->Default());
}

TEST_F(Dialogs, AboutBoxClosesWithOkOrEnter) {
    AboutBox = new TAboutBox(nullptr);
    AboutBox->Show();
    ASSERT_TRUE(AboutBox->Visible());
    AboutBox->OKButton->Click();
    EXPECT_FALSE(AboutBox->Visible());

    AboutBox->Show();
    AboutBox->KeyPress(u'\r');
    EXPECT_FALSE(AboutBox->Visible());
}

TEST_F(Dialogs, N7ShowsTheAboutBoxModallyAndNothingElseDoes) {
    TForm1* f = CreateWindow();
    AboutBox = new TAboutBox(nullptr);
    Boxes().QueueButton(ui::mrCancel);
    f->N7Click(nullptr);
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().kind, ui::ModalKind::Form);
    EXPECT_EQ(Boxes().Last().caption, "О программе");
    // no menu item leads there
    for (ui::TMenuItem* item : {f->N1, f->N2, f->N3, f->N4})
        EXPECT_NE(item->Caption(), "О программе");
}

TEST_F(Dialogs, MethodDialogAsDesigned) {
    Form2 = new TForm2(nullptr);
    EXPECT_EQ(Form2->Caption(), "ВЫбор метода  измерения");
    EXPECT_EQ(Form2->BorderStyle(), ui::bsDialog);
    EXPECT_EQ(Form2->Position(), ui::poMainFormCenter);
    EXPECT_EQ(Form2->ClientWidth(), 438);
    EXPECT_EQ(Form2->ClientHeight(), 180);
    ui::TRadioGroup* g = Form2->RadioGroup1;
    EXPECT_EQ(g->Caption(), "Что измеряем ?");
    EXPECT_EQ(g->Align(), ui::alClient);
    EXPECT_EQ(g->Font().Height, 21);
    ASSERT_EQ(g->Items().Count(), 2);
    EXPECT_EQ(g->Items()[0], "Помутнение");
    EXPECT_EQ(g->Items()[1], "Помутнение+Застывание+ПТФ");
}

TEST_F(Dialogs, MethodDialogShowsNoChoiceAndClosesOnAPick) {
    Form2 = new TForm2(nullptr);
    for (int pick : {1, 0, 1}) {
        SCOPED_TRACE(pick);
        Form2->Show();
        EXPECT_EQ(Form2->RadioGroup1->ItemIndex(), -1);
        EXPECT_TRUE(Form2->Visible());
        Form2->RadioGroup1->SetItemIndex(pick); // as a click on the item
        EXPECT_FALSE(Form2->Visible());
        EXPECT_EQ(Form2->RadioGroup1->ItemIndex(), pick);
    }
    Form2->Show();
    Form2->Click(); // the form's own click closes it too
    EXPECT_FALSE(Form2->Visible());
}

// ---- the program entry -------------------------------------------------------------------------

// The test folders in the temporary folder whose process has ended.
std::set<std::filesystem::path> LeftFolders() {
    std::set<std::filesystem::path> left;
    std::error_code ec;
    for (const auto& e :
         std::filesystem::directory_iterator(std::filesystem::temp_directory_path(), ec)) {
        const std::string name = e.path().filename().string();
        const std::string prefix = "coldpoint-app-";
        if (name.rfind(prefix, 0) != 0)
            continue;
        const int pid = std::atoi(name.c_str() + prefix.size());
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            left.insert(e.path());
    }
    return left;
}

// Runs run in a child process of its own, which ends with "entry ok" and 0 where run gives
// true. The child ends without the fixture's TearDown, so its folder goes first: the test
// fails on a folder left behind.
void ExpectInChild(const std::filesystem::path& dir, const std::function<bool()>& run) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto child = [&] {
        const bool ok = run();
        std::fprintf(stderr, "entry %s\n", ok ? "ok" : "wrong");
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        std::exit(ok ? 0 : 1);
    };
    const std::set<std::filesystem::path> before = LeftFolders();
    EXPECT_EXIT(child(), testing::ExitedWithCode(0), "entry ok");
    for (const std::filesystem::path& left : LeftFolders())
        EXPECT_TRUE(before.count(left)) << left << " left behind";
}

// The entry runs the application's loop to its end, which leaves the application object
// terminated: it runs in a child process of its own.
TEST_F(Life, ProgramEntryCreatesTheWindowsInOrderAndEndsWhenTheMainWindowCloses) {
    ExpectInChild(Dir(), [this] {
        bool noneBefore = false, allInOrder = false;
        std::string title;
        const int rc = app::ProgramEntry([&] {
            noneBefore = !Form1 && !AboutBox && !Form2;
            // runs once the loop runs: every window exists, Form1 is the main one
            rt::MainThread::Post([&] {
                allInOrder = Form1 && AboutBox && Form2 && ui::Application->MainForm() == Form1;
                title = ui::Application->Title();
                if (Form1)
                    Form1->N2->Click(); // "Выход" ends the loop
            });
        });
        return rc == 0 && noneBefore && allInOrder && title == app::kApplicationTitle && !Form1 &&
               !AboutBox && !Form2 && std::filesystem::exists(Journal());
    });
}

// The program's entry, whose loop, should it run, ends at once with "Выход".
int EntryThatEndsAtOnce() {
    return app::ProgramEntry([] {
        rt::MainThread::Post([] {
            if (Form1)
                Form1->N2->Click();
        });
    });
}

// A second copy started in a folder that a running copy uses says so, in a box captioned as
// every other box of the program, and ends before it makes a window or writes a file.
TEST_F(Life, ASecondCopyInTheSameFolderEndsWithoutWritingAnything) {
    const std::string journal = JournalOf(2);
    WriteBytes(Journal(), journal);
    const platform::CopyLock running = app::LockCopy(app::ProgramDir());
    ASSERT_TRUE(running.Held());
    bool setUpRan = false;
    const int rc = app::ProgramEntry([&] { setUpRan = true; });
    EXPECT_NE(rc, 0);
    EXPECT_TRUE(setUpRan);
    EXPECT_EQ(Form1, nullptr);
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().text, "С журналом в папке " + Dir().string() +
                                       "/ уже работает другая копия программы. Эта копия "
                                       "закрывается, ничего не записав.");
    EXPECT_EQ(Boxes().Last().icon, ui::ModalIcon::Error);
    EXPECT_EQ(Boxes().Last().caption, app::kApplicationTitle);
    EXPECT_EQ(ReadBytes(Journal()), journal);
    EXPECT_EQ(NamesIn(Dir()), (std::vector<std::string>{"data2.tab", "gr"}));
    EXPECT_TRUE(std::filesystem::is_empty(Dir() / "gr"));
}

// The demo program next to the build's test programs, as DemoTest runs it.
std::filesystem::path DemoProgram() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return self.parent_path().parent_path() / "app" / "coldpoint-demo-probe";
}

// A copy running in another folder (the demo program, a process of its own) whose journal or
// curve folder this copy reaches by another name: this copy says so and ends before it makes
// a window or writes a file, and the other copy's journal stays as it was.
TEST_F(Life, ASecondCopyThatReachesARunningCopysFilesByAnotherNameEndsWithoutWritingAnything) {
    namespace fs = std::filesystem;
    ASSERT_TRUE(fs::exists(DemoProgram())) << "built with the coldpoint-demo-probe target";
    ui::Application->SetTitle(app::kApplicationTitle);
    struct Case {
        const char* name;
        std::function<void(const fs::path& other)> link;
    } const cases[] = {
        {"data2.tab a symbolic link to the other's",
         [this](const fs::path& other) { fs::create_symlink(other / "data2.tab", Journal()); }},
        {"data2.tab a hard link of the other's",
         [this](const fs::path& other) { fs::create_hard_link(other / "data2.tab", Journal()); }},
        {"gr a symbolic link to the other's",
         [this](const fs::path& other) {
             WriteBytes(Journal(), JournalOf(1));
             fs::remove(Dir() / "gr");
             fs::create_directory_symlink(other / "gr", Dir() / "gr");
         }},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path other = Dir().string() + "-other-" + std::to_string(n++);
        fs::remove_all(other);
        fs::create_directories(other / "gr");
        WriteBytes(other / "data2.tab", JournalOf(3));
        WriteBytes(other / "gr" / "gr3.txt", "curves of record 3");
        fs::copy_file(DemoProgram(), other / "coldpoint-demo");
        fs::remove(Journal());
        c.link(other);
        const std::vector<std::string> mine = NamesIn(Dir());

        QProcess running;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        running.setProcessEnvironment(env);
        running.setWorkingDirectory(QString::fromStdString(other.string()));
        running.start(QString::fromStdString((other / "coldpoint-demo").string()), {});
        ASSERT_TRUE(running.waitForStarted(30000));
        EXPECT_TRUE(
            WaitUntil([&] { return platform::CopyLock({other.string()}, {}).TakenByAnother(); },
                      std::chrono::seconds(60)))
            << "the other copy runs";

        Boxes().Clear();
        // Were it to run, it would end at once: the test shows what it wrote.
        EXPECT_EQ(EntryThatEndsAtOnce(), 1);
        EXPECT_EQ(Form1, nullptr);
        ASSERT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(Boxes().Last().caption, app::kApplicationTitle);
        EXPECT_EQ(Boxes().Last().icon, ui::ModalIcon::Error);
        EXPECT_EQ(Boxes().Last().text.rfind("С журналом в папке " + app::ProgramDir(), 0), 0u);
        EXPECT_EQ(NamesIn(Dir()), mine);
        EXPECT_EQ(ReadBytes(other / "data2.tab"), JournalOf(3));
        EXPECT_EQ(NamesIn(other / "gr"), std::vector<std::string>{"gr3.txt"});

        running.terminate();
        EXPECT_TRUE(running.waitForFinished(30000));
        fs::remove_all(other);
        fs::remove_all(Dir() / "gr");
        fs::create_directories(Dir() / "gr");
    }
}

// A lock that cannot be taken (no locks on a network file system) is said in a box: the copy
// writes nothing unless the operator chooses to go on, knowing that another copy may write
// the same journal.
TEST_F(Life, ALockThatCannotBeTakenIsAskedAbout) {
    const std::string journal = JournalOf(2);
    WriteBytes(Journal(), journal);
    {
        platform::test::FileCallFault noLocks("flock", ENOLCK);
        EXPECT_EQ(EntryThatEndsAtOnce(), 1);
    }
    EXPECT_EQ(Form1, nullptr);
    ASSERT_EQ(Boxes().Count(), 1);
    const ui::ModalRequest& box = Boxes().Last();
    EXPECT_EQ(box.caption, app::kApplicationTitle);
    EXPECT_EQ(box.icon, ui::ModalIcon::Warning);
    EXPECT_EQ(box.buttons, (std::vector<int>{ui::IDYES, ui::IDNO}));
    EXPECT_EQ(box.defaultButton, ui::IDNO);
    EXPECT_EQ(box.text, "Не удаётся проверить, не работает ли с журналом другая копия программы: " +
                            app::ProgramDir() +
                            " (No locks available). Если другая копия работает с тем же "
                            "журналом, записи одной из копий будут потеряны. Продолжить работу?");
    EXPECT_EQ(ReadBytes(Journal()), journal);
    EXPECT_EQ(NamesIn(Dir()), (std::vector<std::string>{"data2.tab", "gr"}));

    // "Yes": the copy runs as any other.
    ExpectInChild(Dir(), [this] {
        platform::test::FileCallFault noLocks("flock", ENOLCK);
        Boxes().QueueButton(ui::IDYES);
        bool ran = false;
        const int rc = app::ProgramEntry([&] {
            rt::MainThread::Post([&] {
                ran = Form1 != nullptr;
                if (Form1) {
                    Form1->StringGrid1->SetCells(5, 1, "дальше");
                    Form1->N2->Click();
                }
            });
        });
        return rc == 0 && ran && core::ParseJournal(ReadBytes(Journal())).at(0)[5] == "дальше";
    });

    // "Yes" in a folder with no journal yet: the close makes it, as where locks work.
    std::filesystem::remove(Journal());
    ExpectInChild(Dir(), [this] {
        platform::test::FileCallFault noLocks("flock", ENOLCK);
        Boxes().Clear();
        Boxes().QueueButton(ui::IDYES);
        bool closed = false;
        const int rc = app::ProgramEntry([&] {
            rt::MainThread::Post([&] {
                if (Form1) {
                    Form1->StringGrid1->SetCells(5, 1, "первая");
                    Form1->N2->Click();
                    closed = !Form1->Visible();
                    if (!closed)
                        ui::Application->Terminate(); // the close was abandoned
                }
            });
        });
        const std::vector<ui::ModalRequest>& boxes = Boxes().Requests();
        return rc == 0 && closed && boxes.size() == 2 &&
               boxes[1].text.rfind("Cannot open file", 0) == 0 &&
               std::filesystem::exists(Journal()) &&
               core::ParseJournal(ReadBytes(Journal())).at(0)[5] == "первая";
    });
}

// ---- the end of a session -----------------------------------------------------------------------

// The signals that end a session close the window as "Выход" does: the comment typed since the
// last record reaches data2.tab. The close runs from the loop, not from the signal.
TEST_F(Life, EndSignalsCloseTheWindowAndSaveTheJournal) {
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(sig);
        WriteBytes(Journal(), JournalOf(2));
        CreateWindow();
        form_->Show();
        const app::TSessionEnd end(*form_);
        form_->StringGrid1->SetCells(5, 2, "набрано после записи");
        std::raise(sig);
        EXPECT_EQ(ReadBytes(Journal()), JournalOf(2));
        EXPECT_TRUE(WaitUntil([&] { return !form_->Visible(); }));
        const auto rows = core::ParseJournal(ReadBytes(Journal()));
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1][5], "набрано после записи");
        DestroyWindow();
    }
}

// A close that could not write the journal leaves the window open; a later signal closes it as
// "Выход" does again (here once room is made), rather than ending the process unsaved. Only a
// signal that comes while a close is in progress ends it at once.
TEST_F(Life, AnEndSignalAfterAnAbandonedCloseClosesAgain) {
    ExpectInChild(Dir(), [this] {
        WriteBytes(Journal(), JournalOf(2));
        CreateWindow();
        form_->Show();
        const app::TSessionEnd end(*form_);
        form_->StringGrid1->SetCells(5, 2, "набрано до сигнала");
        MakeJournalUnwritable();
        std::raise(SIGTERM);
        const bool abandoned = WaitUntil([&] { return Boxes().Count() == 1; }) &&
                               form_->Visible() &&
                               Boxes().Last().text.find("Cannot create file") != std::string::npos;
        std::filesystem::remove_all(Journal());
        std::raise(SIGTERM); // hours later: the disk has room again
        const bool closed = WaitUntil([&] { return !form_->Visible(); });
        const auto rows = core::ParseJournal(ReadBytes(Journal()));
        return abandoned && closed && rows.size() == 2 && rows[1][5] == "набрано до сигнала";
    });
}

// The session manager's save request (before a logout) saves the journal; the window stays.
TEST_F(Life, TheSessionManagersSaveRequestSavesTheJournal) {
    WriteBytes(Journal(), JournalOf(1));
    CreateWindow();
    form_->Show();
    const app::TSessionEnd end(*form_);
    const ui::TSessionAnswers answers;
    // The manager has no public constructor; while answers are recorded, nothing looks at it.
    alignas(QSessionManager) unsigned char storage[sizeof(QSessionManager)] = {};
    auto& manager = *reinterpret_cast<QSessionManager*>(storage);
    for (bool commit : {true, false}) {
        const std::string comment = commit ? "до выхода" : "при сохранении сеанса";
        form_->StringGrid1->SetCells(5, 1, comment);
        if (commit)
            emit qGuiApp->commitDataRequest(manager);
        else
            emit qGuiApp->saveStateRequest(manager);
        const auto rows = core::ParseJournal(ReadBytes(Journal()));
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][5], comment);
        EXPECT_TRUE(form_->Visible());
    }
    EXPECT_EQ(answers.Saved(), (std::vector<bool>{true, true}));
}

// ---- several users of one folder ------------------------------------------------------------

constexpr uid_t kFirstUser = 4511, kSecondUser = 4512;
constexpr gid_t kLabGroup = 4610;

// Two users of a lab: the second user's record is saved and keeps the journal the group's,
// and the first user's next record is saved as every other. In a shared group folder (not
// set-gid, the journal 0664) and in a sticky folder (as /tmp), where the journal is the first
// user's and may not be renamed over. Each user's record is made under that user's ids.
TEST_F(Life, TwoUsersOfOneFolderBothSaveTheirRecords) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "a second user needs root";
    struct Case {
        const char* name;
        mode_t folder;
    } const cases[] = {{"a shared group folder", 0775}, {"a sticky folder", 01777}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The child before took the folder with it.
        std::filesystem::create_directories(Dir() / "gr");
        ExpectInChild(Dir(), [&] {
            WriteBytes(Journal(), JournalOf(3));
            for (const std::filesystem::path& p : {Dir(), Dir() / "gr", Journal()}) {
                if (::chown(p.c_str(), kFirstUser, kLabGroup) != 0)
                    return false;
                ::chmod(p.c_str(), p == Journal() ? 0664 : c.folder);
            }
            CreateWindow();
            // The user's ids (the saved one stays root's, so that the next user can be taken
            // on); false when they cannot be taken.
            auto as = [](uid_t uid) {
                const gid_t groups[] = {static_cast<gid_t>(uid), kLabGroup};
                return ::setresuid(0, 0, 0) == 0 && ::setgroups(2, groups) == 0 &&
                       ::setresgid(uid, uid, 0) == 0 && ::setresuid(uid, uid, 0) == 0;
            };
            auto append = [&](float cloud) {
                form_->FCloudPoint = cloud;
                form_->FPourPoint = -20;
                form_->FFilterPoint = -15;
                form_->FAdditive = 0;
                ++form_->FDeterminationMark;
                try {
                    form_->AppendRecord();
                } catch (const rt::Exception& e) {
                    std::fprintf(stderr, "%s\n", e.Message().c_str());
                    return false;
                }
                return true;
            };
            auto group = [](const std::filesystem::path& p) {
                struct stat st {};
                return ::stat(p.c_str(), &st) == 0 ? st.st_gid : static_cast<gid_t>(-1);
            };
            const bool second = as(kSecondUser) && append(-8);
            const bool kept = group(Journal()) == kLabGroup;
            const bool first = as(kFirstUser) && append(-9);
            const auto rows = core::ParseJournal(ReadBytes(Journal()));
            ::setresuid(0, 0, 0);
            std::fprintf(stderr, "second %d kept %d first %d rows %zu\n", second, kept, first,
                         rows.size());
            return second && kept && first && rows.size() == 5 && rows[3][2] == "-8" &&
                   rows[4][2] == "-9" && group(Journal()) == kLabGroup &&
                   std::filesystem::exists(Dir() / "gr" / "gr5.txt");
        });
    }
}

// The toolkit's own dialogs speak the build's language: Qt's Russian catalogue is loaded by
// the entry (its print preview is titled in Russian).
TEST_F(Life, ProgramEntryLoadsTheToolkitsRussianTexts) {
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ru.qm"))
        GTEST_SKIP() << "no Qt catalogue qtbase_ru (package qt6-translations-l10n)";
    ExpectInChild(Dir(), [] {
        QString preview, cancel;
        app::ProgramEntry([&] {
            rt::MainThread::Post([&] {
                preview = QCoreApplication::translate("QPrintPreviewDialog", "Print Preview");
                cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
                if (Form1)
                    Form1->N2->Click();
            });
        });
        std::fprintf(stderr, "%s %s\n", preview.toStdString().c_str(),
                     cancel.toStdString().c_str());
        return preview != "Print Preview" && !preview.isEmpty() &&
               preview.front().script() == QChar::Script_Cyrillic && cancel == "Отмена";
    });
}

} // namespace
