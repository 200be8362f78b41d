// The English texts: the Russian ones it keeps are the Russian build's byte for byte.
#include <gtest/gtest.h>

#include <cstring>

#include "app/Texts.h"
#include "app/english/EnglishTexts.h"

namespace {

TEST(EnglishTexts, KeepsTheRussianTextsOfStates1To4And50) {
    const app::TTexts& en = english::EnglishTexts;
    const app::TTexts& ru = app::RussianTexts;
    EXPECT_STREQ(en.State1, ru.State1);
    EXPECT_STREQ(en.State2, ru.State2);
    EXPECT_STREQ(en.State4, ru.State4);
    EXPECT_STREQ(en.State50, ru.State50);
    EXPECT_STREQ(en.JournalHeader[0], ru.JournalHeader[0]);
    // The start button reads "RUN" while these texts name it "ПУСК".
    EXPECT_NE(std::strstr(en.State1, "\"ПУСК\""), nullptr);
    EXPECT_STREQ(en.BitBtn1, "RUN");
}

TEST(EnglishTexts, EveryOtherTextIsPlainAscii) {
    const app::TTexts& en = english::EnglishTexts;
    const char* const own[] = {en.NotConnectedCommand,
                               en.NotConnectedPoll,
                               en.NotConnectedRun,
                               en.StateRecovering,
                               en.StateReady,
                               en.State3,
                               en.State5,
                               en.State20,
                               en.State30,
                               en.State40,
                               en.State100,
                               en.RunSecondsPrefix,
                               en.JournalHeader[1],
                               en.JournalHeader[2],
                               en.JournalHeader[3],
                               en.JournalHeader[4],
                               en.JournalHeader[5],
                               en.FormCaption,
                               en.TabSheet1,
                               en.TabSheet2,
                               en.TabSheet3,
                               en.GroupBox1,
                               en.GroupBox4,
                               en.GroupBox2,
                               en.GroupBox3,
                               en.GroupBox5,
                               en.N1,
                               en.N3,
                               en.N2,
                               en.ToolButton4,
                               en.ToolButton2,
                               en.ToolButton1,
                               en.BitBtn3,
                               en.BitBtn2,
                               en.BitBtn1,
                               en.Chart1Title,
                               en.Chart1Foot,
                               en.Chart1LeftAxis,
                               en.Chart2Title,
                               en.Chart2Foot,
                               en.Chart2LeftAxis,
                               en.Chart3Title,
                               en.Chart3Foot,
                               en.Chart3LeftAxis};
    for (const char* text : own) {
        ASSERT_NE(text, nullptr);
        EXPECT_GT(std::strlen(text), 0u);
        for (const char* c = text; *c; ++c)
            EXPECT_LT(static_cast<unsigned char>(*c), 0x80u) << text;
    }
    EXPECT_EQ(en.Reports, &english::EnglishReportTexts());
}

} // namespace
