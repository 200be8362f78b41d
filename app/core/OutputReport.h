#pragma once
// Output reports of the analyzer protocol: the 65-byte buffer of every command, and the
// texts a failed write shows.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

constexpr std::size_t kOutputReportSize = 65;
using TOutputReport = std::array<std::uint8_t, kOutputReportSize>;

// Command codes (byte 2 of the report).
enum class TCommand : std::uint8_t {
    Poll = 0x00,
    RunControl = 0x08,
    PreStart = 0x09,
    WriteControllerByte = 0x0A,
    DumpController = 0x0B,
    Apply = 0x0C,
    Reset = 0x64,
    Ccpr1l = 0x65,
    ReadEeprom = 0x82,
    WriteEepromByte = 0x83,
    ReadEepromByte = 0x84,
    WriteEepromPage = 0x85,
};

// Arguments of command 0x08.
enum class TRunControl : std::uint8_t { EndDrain = 0, Start = 1, Stop = 2, Drain = 3 };

// The byte a code is sent as.
constexpr std::uint8_t Byte(TCommand code) { return static_cast<std::uint8_t>(code); }
constexpr std::uint8_t Byte(TRunControl code) { return static_cast<std::uint8_t>(code); }

constexpr std::size_t kEepromPageSize = 32;
constexpr std::uint8_t kParameterControlByte = 160;

// Every byte 0.
TOutputReport PollReport();
// 0x08: byte 3 = the action.
TOutputReport RunControlReport(TRunControl action);
// 0x09, sent right before the start: byte 3 = 1.
TOutputReport PreStartReport();
// 0x0A: byte 3 = address, byte 4 = value.
TOutputReport WriteControllerByteReport(std::uint8_t address, std::uint8_t value);
// 0x0B: the code in byte 1 as well as byte 2.
TOutputReport DumpControllerReport();
TOutputReport ApplyReport();                    // 0x0C
TOutputReport ResetReport();                    // 0x64
TOutputReport Ccpr1lReport(std::uint8_t value); // 0x65: byte 3 = value
// 0x82: address high, address low, control byte, selector.
TOutputReport ReadEepromReport(std::uint16_t address, std::uint8_t control, std::uint8_t selector);
// 0x83: control byte, address high, address low, value.
TOutputReport WriteEepromByteReport(std::uint8_t control, std::uint16_t address,
                                    std::uint8_t value);
// 0x84: control byte, address high, address low, 0.
TOutputReport ReadEepromByteReport(std::uint8_t control, std::uint16_t address);
// 0x85: control byte, address high, address low, 32 data bytes, 0.
TOutputReport WriteEepromPageReport(std::uint8_t control, std::uint16_t address,
                                    const std::array<std::uint8_t, kEepromPageSize>& data);

// Values stored one byte per command, lowest address first: a float's IEEE single bits 0-7
// first and 24-31 last; a 16-bit integer low byte first.
std::array<std::uint8_t, 4> SingleBytes(float value);
std::array<std::uint8_t, 2> Word16Bytes(std::uint16_t value);
// Values typed into edits are not range-checked: a byte keeps the low 8 bits, an address or
// 16-bit value the low 16 bits.
std::uint8_t LowByte(std::int64_t value);
std::uint16_t LowWord(std::int64_t value);

// A report length the buffer can be written with: 1 to 65 bytes. Anything else (0 when the
// capabilities cannot be read, or longer than the buffer) is refused and nothing is written.
bool ReportLengthSupported(std::size_t length);
// Our own error text for a refused length: the build's text with its "%u" replaced by the
// length.
std::string UnsupportedReportLengthMessage(std::string_view text, std::size_t length);

// The system's message text as the write error shows it: at most 256 characters, with the
// trailing blanks, line breaks and full stops removed.
std::string CleanErrorMessage(std::string_view message);
// "WRITE ERROR: %s (%x)" filled with the cleaned message and the code in upper-case hex.
std::string WriteErrorText(std::string_view message, std::uint32_t code);
// The text of the write-error box: the decimal count of bytes written, " = ", the error's text
// (WriteErrorText, or our own text for a refused length).
std::string WriteErrorBoxText(std::size_t bytesWritten, std::string_view errorText);

} // namespace core
