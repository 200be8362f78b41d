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
#include <span>
#include <string>
#include <variant>
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

// The measurement fields of the main window (TForm1 has them as its own): the values of the
// last status report, and the temperature and signal of the one before.
struct TMeasurement {
    std::uint8_t FState = 0;
    float FTemperature = 0;
    float FPrevTemperature = 0;
    float FTh = 0;
    float FSignal = 0;
    float FPrevSignal = 0;
    float FCloudPoint = 0;
    float FPourPoint = 0;
    float FFilterPoint = 0;
    std::uint8_t FModeByte = 0;
    float FAdditive = 0;
    float FDt = 0;
    float FDf = 0;
    std::uint8_t FAuxByte = 0;
    bool operator==(const TMeasurement&) const = default;
};

enum class TStatusLayout { A, B };

// How a layout carries a field.
enum class TStatusType : std::uint8_t {
    Byte,       // one byte, its value as a number
    Single,     // an analyzer float
    Unsigned32, // a little-endian unsigned 32-bit integer, taken as it is
    Signed32,   // a little-endian signed 32-bit integer, taken as it is
};
std::size_t StatusTypeBytes(TStatusType type);

// One field of the status report: the window's field it fills, its first payload byte and
// its type in each layout. A field with a Prev field moves its old value there first; an
// AuxByte field is read only where the rules use byte 40.
struct TStatusField {
    const char* Name = nullptr;
    std::variant<std::uint8_t TMeasurement::*, float TMeasurement::*> Field;
    std::size_t Offset = 0;
    TStatusType A = TStatusType::Single;
    TStatusType B = TStatusType::Single;
    float TMeasurement::*Prev = nullptr;
    bool AuxByte = false;

    TStatusType Type(TStatusLayout layout) const { return layout == TStatusLayout::A ? A : B; }
};

// The fields in the order they are stored.
std::span<const TStatusField> StatusTable();
// Whether the rules read the field.
bool ReadsField(const TStatusField& field, const TParseRules& rules);
// The field's value in the measurement.
double FieldValue(const TMeasurement& m, const TStatusField& field);

// The layout: A when payload byte 39 is 2, or (where the rules say so) the device version
// is 3; B otherwise.
inline constexpr std::size_t kLayoutByte = 39;
inline constexpr std::uint8_t kLayoutAByte = 2;
inline constexpr std::uint16_t kLayoutAVersion = 3;
TStatusLayout ChooseStatusLayout(std::uint16_t versionNumber, std::uint8_t byte39,
                                 const TParseRules& rules = kRussianParseRules);

// Stores a status report in the measurement fields, in the table's order. False, and
// nothing stored, when the report is not a status report or is short.
bool ApplyStatusReport(TMeasurement& m, const std::uint8_t* Data, std::size_t Size,
                       std::uint16_t versionNumber, const TParseRules& rules = kRussianParseRules);
// The report stored in fields that were all 0; none when it is not a status report or short.
std::optional<TMeasurement> DecodeStatusReport(const std::uint8_t* Data, std::size_t Size,
                                               std::uint16_t versionNumber,
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
    bool operator==(const TDumpRow&) const = default;
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
    bool operator==(const TEepromReply&) const = default;
};
std::optional<TEepromReply> DecodeEepromReply(const std::uint8_t* Data, std::size_t Size,
                                              const TParseRules& rules = kRussianParseRules);

// 0x84: the decimal text for data_one_byte when payload byte 4 is 0; none otherwise or when
// short.
std::optional<std::string> EepromByteText(const std::uint8_t* Data, std::size_t Size);

} // namespace core
