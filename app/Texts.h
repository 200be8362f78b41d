#pragma once
// The texts that differ between the builds, in one place per build. The window's design
// texts are the Russian ones; a build that shows other texts hands its own table to UseTexts
// before it creates its windows, and its FormCreate sets the captions from it.
#include <array>
#include <string>
#include <string_view>

#include "app/core/ReportPage.h"
#include "platform/Language.h"

namespace app {

struct TTexts {
    // Not-connected notices: the command write (status panel 0), the poll and the run
    // display (message line).
    const char* NotConnectedCommand;
    const char* NotConnectedPoll;
    const char* NotConnectedRun;

    // Run messages by analyzer state.
    const char* StateRecovering; // 0, sample temperature below 10
    const char* StateReady;      // 0, 10 or above
    const char* State1;
    const char* State2;
    const char* State3;
    const char* State4;
    const char* State5;
    const char* State20;
    const char* State30;
    const char* State40;
    const char* State50;
    const char* State100;

    // Prefix of the run seconds in status panel 1.
    const char* RunSecondsPrefix;

    // Journal header, columns 0 to 5.
    std::array<const char*, 6> JournalHeader;

    // Captions.
    const char* FormCaption;
    const char* TabSheet1;
    const char* TabSheet2;
    const char* TabSheet3;
    const char* GroupBox1; // sample temperature
    const char* GroupBox4; // optical transmission
    const char* GroupBox2; // cloud point
    const char* GroupBox3; // pour point
    const char* GroupBox5; // filterability temperature
    const char* N1;        // main menu
    const char* N3;        // prints a measurement
    const char* N2;        // closes
    const char* ToolButton4;
    const char* ToolButton2;
    const char* ToolButton1;
    const char* BitBtn3; // drain
    const char* BitBtn2; // stop
    const char* BitBtn1; // start
    const char* Chart1Title;
    const char* Chart1Foot;
    const char* Chart1LeftAxis;
    const char* Chart2Title;
    const char* Chart2Foot;
    const char* Chart2LeftAxis;
    const char* Chart3Title;
    const char* Chart3Foot;
    const char* Chart3LeftAxis;

    // The lines of the two printed reports that differ between the builds.
    const core::TReportTexts* Reports = &core::RussianReportTexts();

    // The box that tells where the old bytes of a journal that did not load whole were
    // kept; the copy's path follows the text.
    const char* JournalKept;
    // Follows the copy's path in the same box: the curve files of records that are not in
    // the grid were kept under these names (the names follow, one a line).
    const char* CurveFilesKept;
    // Asks (Yes/No) whether to write the journal when its old bytes could be kept nowhere;
    // the reason follows the text.
    const char* JournalNotKept;
    // Characters that the journal's code page cannot hold were written as '?'; "%s" stands
    // for those characters.
    const char* CharsNotKept;
    // Another copy of the program works in the folder; "%s" stands for the folder.
    const char* SecondCopy;
    // Asks (Yes/No) whether to go on when no lock keeps other copies off the journal; "%s"
    // stands for what could not be locked and why.
    const char* CopyLockFailed;
    // Follows the error of a journal that could not be written: the curve files of these
    // records are written while the records are only in the window; "%s" stands for their
    // numbers.
    const char* CurvesWithoutLine;
    // A failed write: the language the platform's error texts are asked in, and our own text
    // for an output report length the buffer cannot take ("%u" stands for the length).
    WORD ErrorLanguage;
    const char* UnsupportedReportLength;
};

extern const TTexts RussianTexts;

// The texts of this build (the Russian ones unless UseTexts chose others).
const TTexts& Texts();
void UseTexts(const TTexts& texts);

// The text with its "%s" replaced by value (taken as it is, '%' included).
std::string TextWith(const char* text, std::string_view value);

} // namespace app
