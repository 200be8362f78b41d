#pragma once
// The texts that differ between the builds, in one place per build. The window's design
// texts are the Russian ones; a build that shows other texts hands its own table to UseTexts
// before it creates its windows, and its FormCreate sets the captions from it.
#include <array>
#include <string>
#include <string_view>

#include "app/core/ReportPage.h"

namespace app {

// A value of a build's table. It has no default: a table that leaves one out does not
// compile.
template <class T>
class TRequired {
public:
    constexpr TRequired(T value) : value_(value) {}
    constexpr operator T() const { return value_; }

private:
    T value_;
};

// A text of a build's table, taken wherever a text is.
class TText : public TRequired<const char*> {
public:
    using TRequired::TRequired;
    operator std::string() const { return static_cast<const char*>(*this); }
    constexpr operator std::string_view() const { return static_cast<const char*>(*this); }
    friend std::string operator+(const TText& text, const std::string& more) {
        return static_cast<const char*>(text) + more;
    }
    friend std::string& operator+=(std::string& text, const TText& more) {
        return text += static_cast<const char*>(more);
    }
    friend bool operator==(const TText& text, const std::string& other) {
        return static_cast<const char*>(text) == other;
    }
};

// The texts of a build, each named in its table (designated initializers in the order here).
struct TTexts {
    // Not-connected notices: the command write (status panel 0), the poll and the run
    // display (message line).
    TText NotConnectedCommand;
    TText NotConnectedPoll;
    TText NotConnectedRun;

    // Run messages by analyzer state.
    TText StateRecovering; // 0, sample temperature below 10
    TText StateReady;      // 0, 10 or above
    TText State1;
    TText State2;
    TText State3;
    TText State4;
    TText State5;
    TText State20;
    TText State30;
    TText State40;
    TText State50;
    TText State100;

    // Prefix of the run seconds in status panel 1.
    TText RunSecondsPrefix;

    // Journal header, columns 0 to 5.
    std::array<TText, 6> JournalHeader;

    // Captions.
    TText FormCaption;
    TText TabSheet1;
    TText TabSheet2;
    TText TabSheet3;
    TText GroupBox1; // sample temperature
    TText GroupBox4; // optical transmission
    TText GroupBox2; // cloud point
    TText GroupBox3; // pour point
    TText GroupBox5; // filterability temperature
    TText N1;        // main menu
    TText N3;        // prints a measurement
    TText N2;        // closes
    TText ToolButton4;
    TText ToolButton2;
    TText ToolButton1;
    TText BitBtn3; // drain
    TText BitBtn2; // stop
    TText BitBtn1; // start
    TText Chart1Title;
    TText Chart1Foot;
    TText Chart1LeftAxis;
    TText Chart2Title;
    TText Chart2Foot;
    TText Chart2LeftAxis;
    TText Chart3Title;
    TText Chart3Foot;
    TText Chart3LeftAxis;

    // The lines of the two printed reports that differ between the builds.
    TRequired<const core::TReportTexts*> Reports;

    // The box that tells where the old bytes of a journal that did not load whole were
    // kept; the copy's path follows the text.
    TText JournalKept;
    // Follows the copy's path in the same box: the curve files of records that are not in
    // the grid were kept under these names (the names follow, one a line).
    TText CurveFilesKept;
    // Asks (Yes/No) whether to write the journal when its old bytes could be kept nowhere;
    // the reason follows the text.
    TText JournalNotKept;
    // Characters that the journal's code page cannot hold were written as '?'; "%s" stands
    // for those characters.
    TText CharsNotKept;
    // Another copy of the program works in the folder; "%s" stands for the folder.
    TText SecondCopy;
    // Asks (Yes/No) whether to go on when no lock keeps other copies off the journal; "%s"
    // stands for what could not be locked and why.
    TText CopyLockFailed;
    // Follows the error of a journal that could not be written: the curve files of these
    // records are written while the records are only in the window; "%s" stands for their
    // numbers.
    TText CurvesWithoutLine;
    // A failed write: our own text for an output report length the buffer cannot take ("%u"
    // stands for the length). The platform's error texts follow the user's locale.
    TText UnsupportedReportLength;
};

extern const TTexts RussianTexts;

// The texts of this build (the Russian ones unless UseTexts chose others).
const TTexts& Texts();
void UseTexts(const TTexts& texts);

// The text with its "%s" replaced by value (taken as it is, '%' included).
std::string TextWith(const char* text, std::string_view value);

} // namespace app
