#include "app/core/InputReport.h"

#include "app/core/NumberText.h"
#include "runtime/Math.h"
#include "runtime/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace core {

namespace {

// Reply codes (payload byte 0).
enum class TReply : std::uint8_t { ControllerDump = 0x55, EepromRead = 0x82, EepromByte = 0x84 };

constexpr std::size_t kEepromByteBytes = 6;   // up to byte 5
constexpr std::size_t kEepromHeaderBytes = 5; // up to the selector, byte 4
constexpr std::size_t kEepromDataAt = 6;

std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::string FloatText(const std::uint8_t* p) { return rt::FloatToStr(DecodeSingle(p)); }

using M = TMeasurement;
using S = TStatusType;

// The status report in both layouts, its fields in the order they are stored; a field is a
// float in both unless its row says otherwise.
#define FIELD(name) .Name = #name, .Field = &M::name
constexpr TStatusField kStatusTable[] = {
    {FIELD(FModeByte), .Offset = 25, .A = S::Byte, .B = S::Byte},
    {FIELD(FState), .Offset = 0, .A = S::Byte, .B = S::Byte},
    {FIELD(FTemperature), .Offset = 1, .Prev = &M::FPrevTemperature},
    {FIELD(FTh), .Offset = 5},
    {FIELD(FSignal), .Offset = 9, .A = S::Unsigned32, .Prev = &M::FPrevSignal},
    {FIELD(FCloudPoint), .Offset = 13},
    {FIELD(FPourPoint), .Offset = 17},
    {FIELD(FFilterPoint), .Offset = 21},
    {FIELD(FAdditive), .Offset = 30, .A = S::Byte, .B = S::Byte},
    {FIELD(FDt), .Offset = 31},
    {FIELD(FDf), .Offset = 35, .A = S::Signed32},
    {FIELD(FAuxByte), .Offset = 40, .A = S::Byte, .B = S::Byte, .AuxByte = true},
};
#undef FIELD

// A field's value as its layout carries it.
double ReadValue(TStatusType type, const std::uint8_t* p) {
    switch (type) {
    case S::Byte: return p[0];
    case S::Single: return static_cast<float>(DecodeSingle(p));
    case S::Unsigned32: return static_cast<float>(U32(p));
    case S::Signed32: return static_cast<float>(static_cast<std::int32_t>(U32(p)));
    }
    return 0;
}

// Up to the last byte the rules read: the fields' and the layout byte.
std::size_t StatusBytes(const TParseRules& rules) {
    std::size_t n = kLayoutByte + 1;
    for (const TStatusField& f : kStatusTable)
        if (ReadsField(f, rules))
            n = std::max(n, f.Offset + std::max(StatusTypeBytes(f.A), StatusTypeBytes(f.B)));
    return n;
}

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
    case TReportKind::Status: return StatusBytes(rules);
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

std::size_t StatusTypeBytes(TStatusType type) { return type == TStatusType::Byte ? 1 : 4; }

std::span<const TStatusField> StatusTable() { return kStatusTable; }

bool ReadsField(const TStatusField& field, const TParseRules& rules) {
    return !field.AuxByte || rules.AuxByte;
}

double FieldValue(const TMeasurement& m, const TStatusField& field) {
    return std::visit([&](auto member) { return static_cast<double>(m.*member); }, field.Field);
}

TStatusLayout ChooseStatusLayout(std::uint16_t versionNumber, std::uint8_t byte39,
                                 const TParseRules& rules) {
    if (byte39 == kLayoutAByte || (rules.VersionSelectsLayout && versionNumber == kLayoutAVersion))
        return TStatusLayout::A;
    return TStatusLayout::B;
}

bool ApplyStatusReport(TMeasurement& m, const std::uint8_t* Data, std::size_t Size,
                       std::uint16_t versionNumber, const TParseRules& rules) {
    if (ClassifyReport(Data, Size) != TReportKind::Status || IsShortReport(Data, Size, rules))
        return false;
    const TStatusLayout layout = ChooseStatusLayout(versionNumber, Data[kLayoutByte], rules);
    for (const TStatusField& f : kStatusTable) {
        if (!ReadsField(f, rules))
            continue;
        const double value = ReadValue(f.Type(layout), Data + f.Offset);
        std::visit(
            [&](auto member) {
                using T = std::remove_reference_t<decltype(m.*member)>;
                if constexpr (std::is_same_v<T, float>) {
                    if (f.Prev)
                        m.*f.Prev = m.*member;
                }
                m.*member = static_cast<T>(value);
            },
            f.Field);
    }
    return true;
}

std::optional<TMeasurement> DecodeStatusReport(const std::uint8_t* Data, std::size_t Size,
                                               std::uint16_t versionNumber,
                                               const TParseRules& rules) {
    TMeasurement m;
    if (!ApplyStatusReport(m, Data, Size, versionNumber, rules))
        return std::nullopt;
    return m;
}

TStatusDisplays StatusDisplayTexts(const TMeasurement& m) {
    TStatusDisplays d;
    d.AdditivePanel = RoundedText(m.FAdditive, 1);
    d.MemoLine = "t=" + RoundedText(m.FTemperature, 1) + " f=" + RoundedText(m.FSignal, 3);
    d.TemperatureLabel = ResultText(m.FTemperature);
    d.CloudLabel = ResultText(m.FCloudPoint);
    d.PourLabel = ResultText(m.FPourPoint);
    d.FilterLabel = ResultText(m.FFilterPoint);
    d.StatusLine = "Th=" + RoundedText(m.FTh, 1) + " f=" + RoundedText(m.FSignal, 3) +
                   " df=" + RoundedText(m.FDf, 3) + " dt=" + RoundedText(m.FDt, 2);
    d.AuxPanel = rt::IntToStr(m.FAuxByte);
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
