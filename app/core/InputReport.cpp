#include "app/core/InputReport.h"

#include "app/core/NumberText.h"
#include "runtime/Math.h"
#include "runtime/SysUtils.h"

#include <algorithm>
#include <cmath>

namespace core {

namespace {

// Reply codes (payload byte 0).
enum class TReply : std::uint8_t { ControllerDump = 0x55, EepromRead = 0x82, EepromByte = 0x84 };

constexpr std::size_t kStatusBytes = 41;      // up to byte 40
constexpr std::size_t kStatusBytesNoAux = 40; // up to byte 39
constexpr std::size_t kEepromByteBytes = 6;   // up to byte 5
constexpr std::size_t kEepromHeaderBytes = 5; // up to the selector, byte 4
constexpr std::size_t kEepromDataAt = 6;

std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

float Single(const std::uint8_t* p) { return static_cast<float>(DecodeSingle(p)); }

std::string FloatText(const std::uint8_t* p) { return rt::FloatToStr(DecodeSingle(p)); }

constexpr std::uint8_t kDumpSelector = 0;

// The group a 0x82 reply's selector fills, under the rules.
const TPlainGroup* GroupOf(std::uint8_t selector, const TParseRules& rules) {
    const auto g = GroupOfSelector(selector);
    if (!g)
        return nullptr;
    const TPlainGroup& group = ParameterGroups()[*g];
    if (group.PidTerms && !rules.PidTerms)
        return nullptr;
    return &group;
}

// The text of a value whose bytes start at p.
std::string ValueText(const TPlainGroup& group, const std::uint8_t* p) {
    if (group.Type == TParameterType::Word16)
        return rt::IntToStr(p[0] + 256u * p[1]);
    return FloatText(p);
}

// Up to the last byte of the last value of the controller dump.
std::size_t ControllerDumpBytes() {
    std::size_t n = 0;
    for (const TDumpValue& v : ControllerDumpValues())
        n = std::max(n, v.Offset + ValueBytes(ParameterGroups()[v.Ref.Group]));
    return n;
}

} // namespace

const char* TEditText::Name() const { return ParameterValue(Ref).Edit.Name; }

double DecodeSingle(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    if (b0 == 0xFF && b1 == 0xFF && b2 == 0xFF)
        return 0;
    const bool negative = (b3 & 0x80) != 0;
    const int exponent = ((b3 << 1) | (b2 >> 7)) & 0xFF;
    const std::uint32_t mantissa = std::uint32_t(b2 & 0x7F) << 16 | std::uint32_t(b1) << 8 | b0;
    // No subnormal, infinity or NaN forms: every exponent scales 1.M.
    const double magnitude = std::ldexp(1.0 + mantissa / 8388608.0, exponent - 127);
    double r = 0;
    if (!rt::TryRoundTo(magnitude, 4, r) || r == 0)
        return 0;
    return negative ? -r : r;
}

double DecodeSingle(const std::uint8_t* bytes) {
    return DecodeSingle(bytes[0], bytes[1], bytes[2], bytes[3]);
}

TReportKind ClassifyReport(const std::uint8_t* Data, std::size_t Size) {
    if (Size == 0)
        return TReportKind::Status;
    switch (static_cast<TReply>(Data[0])) {
    case TReply::ControllerDump: return TReportKind::ControllerDump;
    case TReply::EepromRead: return TReportKind::EepromRead;
    case TReply::EepromByte: return TReportKind::EepromByte;
    default: return TReportKind::Status;
    }
}

std::size_t BytesUsed(const std::uint8_t* Data, std::size_t Size, const TParseRules& rules) {
    switch (ClassifyReport(Data, Size)) {
    case TReportKind::ControllerDump: return ControllerDumpBytes();
    case TReportKind::EepromByte: return kEepromByteBytes;
    case TReportKind::Status: return rules.AuxByte ? kStatusBytes : kStatusBytesNoAux;
    case TReportKind::EepromRead: break;
    }
    if (Size < kEepromHeaderBytes)
        return kEepromHeaderBytes;
    const std::uint8_t selector = Data[4];
    if (selector == kDumpSelector)
        return kEepromDataAt + 32;
    if (const TPlainGroup* group = GroupOf(selector, rules))
        return kEepromDataAt + ValueBytes(*group) * group->Count;
    return kEepromHeaderBytes;
}

bool IsShortReport(const std::uint8_t* Data, std::size_t Size, const TParseRules& rules) {
    return Size < BytesUsed(Data, Size, rules);
}

std::string HexLogLine(const std::uint8_t* Data, std::size_t Size) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(3 * Size);
    for (std::size_t i = 0; i < Size; ++i) {
        line.push_back(kDigits[Data[i] >> 4]);
        line.push_back(kDigits[Data[i] & 0x0F]);
        line.push_back(' ');
    }
    return line;
}

TStatusLayout ChooseStatusLayout(std::uint16_t versionNumber, std::uint8_t byte39,
                                 const TParseRules& rules) {
    if (byte39 == 2 || (rules.VersionSelectsLayout && versionNumber == 3))
        return TStatusLayout::A;
    return TStatusLayout::B;
}

std::optional<TStatusReport> DecodeStatusReport(const std::uint8_t* Data, std::size_t Size,
                                                std::uint16_t versionNumber,
                                                const TParseRules& rules) {
    if (ClassifyReport(Data, Size) != TReportKind::Status || IsShortReport(Data, Size, rules))
        return std::nullopt;
    const TStatusLayout layout = ChooseStatusLayout(versionNumber, Data[39], rules);
    TStatusReport r;
    r.ModeByte = Data[25];
    r.State = Data[0];
    r.Temperature = Single(Data + 1);
    r.Th = Single(Data + 5);
    r.Signal = layout == TStatusLayout::A ? static_cast<float>(U32(Data + 9)) : Single(Data + 9);
    r.CloudPoint = Single(Data + 13);
    r.PourPoint = Single(Data + 17);
    r.FilterPoint = Single(Data + 21);
    r.Additive = static_cast<float>(Data[30]);
    r.Dt = Single(Data + 31);
    r.Df = layout == TStatusLayout::A
               ? static_cast<float>(static_cast<std::int32_t>(U32(Data + 35)))
               : Single(Data + 35);
    if (rules.AuxByte)
        r.AuxByte = Data[40];
    return r;
}

void ApplyStatusReport(TMeasurement& m, const TStatusReport& r, const TParseRules& rules) {
    m.ModeByte = r.ModeByte;
    m.State = r.State;
    m.PrevTemperature = m.Temperature;
    m.Temperature = r.Temperature;
    m.Th = r.Th;
    m.PrevSignal = m.Signal;
    m.Signal = r.Signal;
    m.CloudPoint = r.CloudPoint;
    m.PourPoint = r.PourPoint;
    m.FilterPoint = r.FilterPoint;
    m.Additive = r.Additive;
    m.Dt = r.Dt;
    m.Df = r.Df;
    if (rules.AuxByte)
        m.AuxByte = r.AuxByte;
}

TStatusDisplays StatusDisplayTexts(const TMeasurement& m) {
    TStatusDisplays d;
    d.AdditivePanel = RoundedText(m.Additive, 1);
    d.MemoLine = "t=" + RoundedText(m.Temperature, 1) + " f=" + RoundedText(m.Signal, 3);
    d.TemperatureLabel = ResultText(m.Temperature);
    d.CloudLabel = ResultText(m.CloudPoint);
    d.PourLabel = ResultText(m.PourPoint);
    d.FilterLabel = ResultText(m.FilterPoint);
    d.StatusLine = "Th=" + RoundedText(m.Th, 1) + " f=" + RoundedText(m.Signal, 3) +
                   " df=" + RoundedText(m.Df, 3) + " dt=" + RoundedText(m.Dt, 2);
    d.AuxPanel = rt::IntToStr(m.AuxByte);
    return d;
}

std::optional<std::vector<TEditText>> ControllerDumpEdits(const std::uint8_t* Data,
                                                          std::size_t Size) {
    if (ClassifyReport(Data, Size) != TReportKind::ControllerDump || Size < ControllerDumpBytes())
        return std::nullopt;
    std::vector<TEditText> edits;
    for (const TDumpValue& v : ControllerDumpValues())
        edits.push_back({v.Ref, ValueText(ParameterGroups()[v.Ref.Group], Data + v.Offset)});
    return edits;
}

std::string DumpAddressText(unsigned address) { return rt::IntToHex(address, 2) + " "; }

std::vector<TDumpRow> DumpRows(std::uint16_t address, const std::uint8_t* data32) {
    std::vector<TDumpRow> rows;
    const int first = address / 16 + 1;
    for (int half = 0; half < 2; ++half) {
        TDumpRow row;
        row.Row = first + half;
        if (row.Row >= kDumpGridRows)
            break;
        row.Cells[0] = DumpAddressText(address + 16u * half);
        for (int i = 0; i < 16; ++i)
            row.Cells[1 + i] = HexLogLine(data32 + 16 * half + i, 1);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<TEepromReply> DecodeEepromReply(const std::uint8_t* Data, std::size_t Size,
                                              const TParseRules& rules) {
    if (ClassifyReport(Data, Size) != TReportKind::EepromRead || IsShortReport(Data, Size, rules))
        return std::nullopt;
    TEepromReply r;
    r.Address = static_cast<std::uint16_t>(Data[1] * 256 + Data[2]);
    r.Selector = Data[4];
    const std::uint8_t* data = Data + kEepromDataAt;
    if (r.Selector == kDumpSelector) {
        r.Dump = DumpRows(r.Address, data);
    } else if (const TPlainGroup* group = GroupOf(r.Selector, rules)) {
        const auto g = static_cast<std::uint8_t>(group - ParameterGroups().data());
        for (std::size_t i = 0; i < group->Count; ++i)
            r.Edits.push_back({{g, static_cast<std::uint8_t>(i)},
                               ValueText(*group, data + ValueBytes(*group) * i)});
    }
    return r;
}

std::optional<std::string> EepromByteText(const std::uint8_t* Data, std::size_t Size) {
    if (ClassifyReport(Data, Size) != TReportKind::EepromByte || Size < kEepromByteBytes ||
        Data[4] != 0)
        return std::nullopt;
    return rt::IntToStr(Data[5]);
}

} // namespace core
