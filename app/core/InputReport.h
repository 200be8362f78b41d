#pragma once
// Input reports of the analyzer: the float decoding, the kinds of report, the status report in
// its two layouts, the replies 0x55, 0x82 and 0x84, and the texts they show.
// Data/Size are the payload of the data event (payload byte k is input-report byte k+1).
// Nothing here reads past Size: a report shorter than the bytes its kind uses is "short",
// and the caller logs it in hex and changes nothing else.
#include "app/core/ParameterTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace core {

// An analyzer float (IEEE single, little-endian) at 4 decimals; FF FF FF xx and every failure
// give 0.
double DecodeSingle(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);
double DecodeSingle(const std::uint8_t* bytes);

// What differs between the builds' parsers.
struct TParseRules {
    bool VersionSelectsLayout = true; // device version 3 selects layout A as byte 39 = 2 does
    bool PidTerms = true;             // 0x82 selector 21 fills the PID edits
    bool AuxByte = true;              // status byte 40 fills FAuxByte and status panel 2
};
constexpr TParseRules kRussianParseRules{true, true, true};
constexpr TParseRules kEnglishParseRules{false, false, false};

enum class TReportKind { ControllerDump, EepromRead, EepromByte, Status };

// By payload byte 0; an empty payload counts as a (short) status report.
TReportKind ClassifyReport(const std::uint8_t* Data, std::size_t Size);
// The payload bytes a report of this kind uses (for 0x82 by its selector).
std::size_t BytesUsed(const std::uint8_t* Data, std::size_t Size,
                      const TParseRules& rules = kRussianParseRules);
bool IsShortReport(const std::uint8_t* Data, std::size_t Size,
                   const TParseRules& rules = kRussianParseRules);

// The memo's hex line: two upper-case digits and a blank per payload byte ("" when empty).
std::string HexLogLine(const std::uint8_t* Data, std::size_t Size);

// ---- status report ------------------------------------------------------------------------

enum class TStatusLayout { A, B };

// Layout A when payload byte 39 is 2, or (where the rules say so) the device version is 3.
TStatusLayout ChooseStatusLayout(std::uint16_t versionNumber, std::uint8_t byte39,
                                 const TParseRules& rules = kRussianParseRules);

// The values of one status report, as the window's fields store them.
struct TStatusReport {
    std::uint8_t State = 0;
    float Temperature = 0;
    float Th = 0;
    float Signal = 0;
    float CloudPoint = 0;
    float PourPoint = 0;
    float FilterPoint = 0;
    std::uint8_t ModeByte = 0;
    float Additive = 0;
    float Dt = 0;
    float Df = 0;
    std::uint8_t AuxByte = 0;
};

// None when the report is short for a status report.
std::optional<TStatusReport> DecodeStatusReport(const std::uint8_t* Data, std::size_t Size,
                                                std::uint16_t versionNumber,
                                                const TParseRules& rules = kRussianParseRules);

// The measurement fields of the main window.
struct TMeasurement {
    std::uint8_t State = 0;
    float Temperature = 0;
    float PrevTemperature = 0;
    float Th = 0;
    float Signal = 0;
    float PrevSignal = 0;
    float CloudPoint = 0;
    float PourPoint = 0;
    float FilterPoint = 0;
    std::uint8_t ModeByte = 0;
    float Additive = 0;
    float Dt = 0;
    float Df = 0;
    std::uint8_t AuxByte = 0;
};

// Stores a status report: the old temperature and signal move to the Prev fields first.
// FAuxByte is kept as it was where the rules do not use byte 40.
void ApplyStatusReport(TMeasurement& m, const TStatusReport& r,
                       const TParseRules& rules = kRussianParseRules);

// The display texts of a status report.
struct TStatusDisplays {
    std::string AdditivePanel;    // status panel 3: additive at 1 decimal
    std::string MemoLine;         // "t=" T(1) " f=" f(3), added to the memo twice
    std::string TemperatureLabel; // Label1
    std::string CloudLabel;       // Label2
    std::string PourLabel;        // Label3
    std::string FilterLabel;      // Label6
    std::string StatusLine;       // "Th=" Th(1) " f=" f(3) " df=" df(3) " dt=" dt(2)
    std::string AuxPanel;         // status panel 2: the aux byte in decimal
};
TStatusDisplays StatusDisplayTexts(const TMeasurement& m);

// ---- replies ------------------------------------------------------------------------------

// One parameter edit of the service tabs and its new text.
struct TEditText {
    TParameterRef Ref;
    std::string Text;
    const char* Name() const; // the edit's component name
    bool operator==(const TEditText&) const = default;
};

// 0x55: the edits of the values the controller EEPROM holds, by ascending address. None when
// short.
std::optional<std::vector<TEditText>> ControllerDumpEdits(const std::uint8_t* Data,
                                                          std::size_t Size);

constexpr int kDumpGridRows = 4097; // header row and 4096 rows of 16 bytes
constexpr int kDumpGridColumns = 17;

struct TDumpRow {
    int Row = 0;
    std::array<std::string, kDumpGridColumns> Cells;
};

// The two rows of a selector-0 reply for address A (rows A div 16 + 1 and + 2), leaving out
// a row past the last row of the grid.
std::vector<TDumpRow> DumpRows(std::uint16_t address, const std::uint8_t* data32);
// Column 0 of a dump row: the address in upper-case hex, at least two digits, and a blank.
std::string DumpAddressText(unsigned address);

// 0x82: address, selector and what the selector fills (edits, or dump rows for selector 0;
// neither for a selector outside the table). None when short.
struct TEepromReply {
    std::uint16_t Address = 0;
    std::uint8_t Selector = 0;
    std::vector<TEditText> Edits;
    std::vector<TDumpRow> Dump;
};
std::optional<TEepromReply> DecodeEepromReply(const std::uint8_t* Data, std::size_t Size,
                                              const TParseRules& rules = kRussianParseRules);

// 0x84: the decimal text for data_one_byte when payload byte 4 is 0; none otherwise or when
// short.
std::optional<std::string> EepromByteText(const std::uint8_t* Data, std::size_t Size);

} // namespace core
