#include "app/core/OutputReport.h"

#include "runtime/SysUtils.h"

#include <bit>
#include <initializer_list>

namespace core {

namespace {

TOutputReport Command(TCommand code, std::initializer_list<std::uint8_t> args = {}) {
    TOutputReport r{};
    r[2] = Byte(code);
    std::size_t i = 3;
    for (std::uint8_t a : args)
        r[i++] = a;
    return r;
}

std::uint8_t High(std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); }
std::uint8_t Low(std::uint16_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

// Drops whole UTF-8 characters beyond the first max.
std::string_view FirstCharacters(std::string_view s, std::size_t max) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (count == max)
                return s.substr(0, i);
            ++count;
        }
    }
    return s;
}

} // namespace

TOutputReport PollReport() { return Command(TCommand::Poll); }
TOutputReport RunControlReport(TRunControl action) {
    return Command(TCommand::RunControl, {Byte(action)});
}
TOutputReport PreStartReport() { return Command(TCommand::PreStart, {1}); }

TOutputReport WriteControllerByteReport(std::uint8_t address, std::uint8_t value) {
    return Command(TCommand::WriteControllerByte, {address, value});
}

TOutputReport DumpControllerReport() {
    TOutputReport r = Command(TCommand::DumpController);
    r[1] = Byte(TCommand::DumpController);
    return r;
}

TOutputReport ApplyReport() { return Command(TCommand::Apply); }
TOutputReport ResetReport() { return Command(TCommand::Reset); }
TOutputReport Ccpr1lReport(std::uint8_t value) { return Command(TCommand::Ccpr1l, {value}); }

TOutputReport ReadEepromReport(std::uint16_t address, std::uint8_t control, std::uint8_t selector) {
    return Command(TCommand::ReadEeprom, {High(address), Low(address), control, selector});
}

TOutputReport WriteEepromByteReport(std::uint8_t control, std::uint16_t address,
                                    std::uint8_t value) {
    return Command(TCommand::WriteEepromByte, {control, High(address), Low(address), value});
}

TOutputReport ReadEepromByteReport(std::uint8_t control, std::uint16_t address) {
    return Command(TCommand::ReadEepromByte, {control, High(address), Low(address), 0});
}

TOutputReport WriteEepromPageReport(std::uint8_t control, std::uint16_t address,
                                    const std::array<std::uint8_t, kEepromPageSize>& data) {
    TOutputReport r = Command(TCommand::WriteEepromPage, {control, High(address), Low(address)});
    for (std::size_t i = 0; i < kEepromPageSize; ++i)
        r[6 + i] = data[i];
    // byte 38 stays 0
    return r;
}

std::array<std::uint8_t, 4> SingleBytes(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

std::array<std::uint8_t, 2> Word16Bytes(std::uint16_t value) { return {Low(value), High(value)}; }

std::uint8_t LowByte(std::int64_t value) { return static_cast<std::uint8_t>(value & 0xFF); }
std::uint16_t LowWord(std::int64_t value) { return static_cast<std::uint16_t>(value & 0xFFFF); }

bool ReportLengthSupported(std::size_t length) {
    return length >= 1 && length <= kOutputReportSize;
}

std::string UnsupportedReportLengthMessage(std::string_view text, std::size_t length) {
    std::string message(text);
    if (const auto at = message.find("%u"); at != std::string::npos)
        message.replace(at, 2, std::to_string(length));
    return message;
}

std::string CleanErrorMessage(std::string_view message) {
    std::string_view s = FirstCharacters(message, 256);
    while (!s.empty()) {
        char c = s.back();
        if (c != ' ' && c != '\r' && c != '\n' && c != '.')
            break;
        s.remove_suffix(1);
    }
    return std::string(s);
}

std::string WriteErrorText(std::string_view message, std::uint32_t code) {
    return rt::Format("WRITE ERROR: %s (%x)", CleanErrorMessage(message).c_str(),
                      static_cast<unsigned>(code));
}

std::string WriteErrorBoxText(std::size_t bytesWritten, std::string_view errorText) {
    return std::to_string(bytesWritten) + " = " + std::string(errorText);
}

} // namespace core
