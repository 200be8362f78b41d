#include "analyzer/Eeprom.h"

#include "analyzer/AnalyzerFloat.h"
#include "analyzer/ParameterMap.h"

namespace analyzer {

namespace {

// Writes the factory value of every parameter that has a place in the image.
template <std::size_t N>
void StoreFactory(std::array<std::uint8_t, N>& image, bool controller) {
    for (const ParameterPlace& place : ParameterMap()) {
        const int address = controller ? place.controllerAddress : place.externalAddress;
        if (address < 0)
            continue;
        if (place.type == ParameterType::Single)
            PutSingle(image.data() + address, static_cast<float>(place.factory));
        else
            PutUint16(image.data() + address, static_cast<std::uint16_t>(place.factory));
    }
}

} // namespace

ExternalEeprom::ExternalEeprom() {
    bytes_.fill(0xFF);
    StoreFactory(bytes_, false);
}

std::uint8_t ExternalEeprom::Read(std::uint8_t control, std::uint16_t address) const {
    return control == kControlByte ? bytes_[address] : 0xFF;
}

void ExternalEeprom::Write(std::uint8_t control, std::uint16_t address, std::uint8_t value) {
    if (control == kControlByte)
        bytes_[address] = value;
}

std::array<std::uint8_t, ExternalEeprom::kPage> ExternalEeprom::ReadPage(
    std::uint8_t control, std::uint16_t address) const {
    std::array<std::uint8_t, kPage> page;
    for (std::size_t i = 0; i < kPage; ++i)
        page[i] = Read(control, static_cast<std::uint16_t>(address + i));
    return page;
}

void ExternalEeprom::WritePage(std::uint8_t control, std::uint16_t address,
                               const std::uint8_t* data) {
    for (std::size_t i = 0; i < kPage; ++i)
        Write(control, static_cast<std::uint16_t>(address + i), data[i]);
}

ControllerEeprom::ControllerEeprom() {
    bytes_.fill(0xFF);
    StoreFactory(bytes_, true);
}

} // namespace analyzer
