#pragma once
// The analyzer's two memories: the external EEPROM chip (64 KiB behind control byte 160)
// and the 256-byte data EEPROM of its controller. Erased bytes read 0xFF.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace analyzer {

class ExternalEeprom {
public:
    static constexpr std::uint8_t kControlByte = 160;
    static constexpr std::size_t kSize = 65536;
    static constexpr std::size_t kPage = 32;

    ExternalEeprom(); // erased, then the factory parameters

    // A control byte other than kControlByte addresses a chip that is not fitted: reads
    // give 0xFF and writes are dropped.
    std::uint8_t Read(std::uint8_t control, std::uint16_t address) const;
    void Write(std::uint8_t control, std::uint16_t address, std::uint8_t value);
    // kPage bytes from `address` on; addresses past the end wrap to 0.
    std::array<std::uint8_t, kPage> ReadPage(std::uint8_t control, std::uint16_t address) const;
    void WritePage(std::uint8_t control, std::uint16_t address, const std::uint8_t* data);

    std::span<const std::uint8_t> Image() const { return bytes_; }

private:
    std::array<std::uint8_t, kSize> bytes_;
};

class ControllerEeprom {
public:
    static constexpr std::size_t kSize = 256;

    ControllerEeprom(); // erased, then the factory parameters

    std::uint8_t Read(std::uint8_t address) const { return bytes_[address]; }
    void Write(std::uint8_t address, std::uint8_t value) { bytes_[address] = value; }

    std::span<const std::uint8_t> Image() const { return bytes_; }

private:
    std::array<std::uint8_t, kSize> bytes_;
};

} // namespace analyzer
