// The English program's start: the platform version read once, the English texts, the
// English window as the main window, and the end when it closes.
#include "EnglishFixture.h"

#include <QCoreApplication>

#include <cerrno>

#include "app/Program.h"
#include "app/Unit2.h"
#include "app/about.h"
#include "app/english/EnglishProgram.h"
#include "app/ProgramDir.h"
#include "platform/CopyLock.h"
#include "platform/testing/FileCalls.h"
#include "platform/testing/PlatformTest.h"

namespace {

class EnglishProgram : public entest::EnglishFixture {
protected:
    void SetUp() override {
        EnglishFixture::SetUp();
        app::UseTexts(app::RussianTexts); // the entry chooses the English ones
    }
};

TEST_F(EnglishProgram, StartsTheEnglishWindowAndEndsWhenItCloses) {
    const unsigned versionQueries = platform::test::CallCount("GetVersionExA");
    bool noneBefore = false;
    bool mainIsForm1 = false;
    bool allExist = false;
    bool noPidGroup = false;
    bool englishRules = false;
    std::string title, caption, start, header, preview;
    const int rc = english::ProgramEntry([&] {
        noneBefore = !Form1 && !AboutBox && !Form2;
        sim::VirtualBus::Choose();
        rt::MainThread::Post([&] {
            mainIsForm1 = Form1 && ui::Application->MainForm() == Form1;
            allExist = Form1 && AboutBox && Form2;
            title = ui::Application->Title();
            preview =
                QCoreApplication::translate("QPrintPreviewDialog", "Print Preview").toStdString();
            if (!Form1)
                return;
            caption = Form1->Caption();
            start = Form1->BitBtn1->Caption();
            header = Form1->StringGrid1->Cells(3, 0);
            noPidGroup = Form1->GroupBox21 == nullptr && Form1->Button35 == nullptr;
            englishRules = !Form1->FParseRules.VersionSelectsLayout;
            Form1->N2->Click();
        });
    });
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(noneBefore);
    EXPECT_TRUE(mainIsForm1);
    EXPECT_TRUE(allExist);
    EXPECT_EQ(title, app::kApplicationTitle);
    EXPECT_EQ(preview, "Print Preview") << "the toolkit's own texts in English";
    EXPECT_EQ(caption, "Analyzer cloud point and pour point of diesel fuel Dovrel");
    EXPECT_EQ(start, "RUN");
    EXPECT_EQ(header, "Freezing");
    EXPECT_TRUE(noPidGroup);
    EXPECT_TRUE(englishRules);
    EXPECT_EQ(&app::Texts(), &english::EnglishTexts);
    EXPECT_EQ(platform::test::CallCount("GetVersionExA"), versionQueries + 1);
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(AboutBox, nullptr);
    EXPECT_EQ(Form2, nullptr);
}

TEST_F(EnglishProgram, ASecondCopyInTheSameFolderSaysSoInEnglish) {
    const platform::CopyLock running = app::LockCopy(app::ProgramDir());
    ASSERT_TRUE(running.Held());
    EXPECT_NE(english::ProgramEntry([] { sim::VirtualBus::Choose(); }), 0);
    EXPECT_EQ(Form1, nullptr);
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().text,
              "Another copy of the program works with the journal in the "
              "folder " +
                  Dir().string() + "/. This copy closes without writing anything.");
}

TEST_F(EnglishProgram, ALockThatCannotBeTakenIsAskedAboutInEnglish) {
    {
        platform::test::FileCallFault noLocks("flock", ENOLCK);
        EXPECT_EQ(english::ProgramEntry([] {
                      sim::VirtualBus::Choose();
                      rt::MainThread::Post([] {
                          if (Form1)
                              Form1->N2->Click();
                      });
                  }),
                  1);
    }
    EXPECT_EQ(Form1, nullptr);
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().text,
              "Cannot make sure that no other copy of the program works with the journal: " +
                  app::ProgramDir() +
                  " (No locks available). If another copy works with the same journal, the "
                  "records of one of the copies will be lost. Go on?");
}

} // namespace
