#pragma once
// The widget-free logic of the service tabs: where each parameter group of "Коррекции" lives in
// the two EEPROMs, and the key sequence that reveals the service tabs.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace app {

enum class TParameterType { Single, Word16 };

// Where a write goes while "EEPROM 18f4550" is checked.
enum class TControllerRule {
    ControllerPlace, // to the value's controller address
    NoPlace,         // nowhere: the write does nothing
    AlwaysExternal,  // the box is not consulted
};

struct TParameterValue {
    const char* Edit;        // the edit's name
    std::uint8_t External;   // first byte in the external EEPROM
    std::uint8_t Controller; // first byte in the controller EEPROM (ControllerPlace only)
};

struct TParameterGroup {
    const char* Caption;
    TParameterType Type;
    TControllerRule Rule;
    std::uint8_t ReadAddress; // the read always names the external EEPROM
    std::uint8_t Selector;
    std::array<TParameterValue, 3> Values;
    std::size_t Count; // values in use, written in this order
};

// The twelve groups, in the order of the tab (index by TGroup).
enum TGroup : std::size_t {
    grCirrus,         // "Коррекция цируса"
    grThermocouple,   // "Коррекция термопары"
    grPourCorrection, // "Коррекция гр. застывания"
    grReverse,        // "Реверс"
    grValveTime,      // "Время открытия клапана"
    grCoolingSpeed,   // "Скорость охлаждения"
    grCloudThreshold, // "Граница помутнения"
    grDfThreshold,    // "Граница Dф. застывания по  клапану "
    grMinimumSpeed,   // "Минимальная скорость"
    grCondenser,      // "Температура конденсатора"
    grHeating,        // "температура нагрева исп. или ячейки"
    grPid,            // "ПИД"
    grCount,
};
std::span<const TParameterGroup> ParameterGroups();
const TParameterGroup& ParameterGroup(TGroup group);

// Whether a write of the group goes to the controller EEPROM, or (skipped) nowhere.
bool WritesToController(const TParameterGroup& group, bool controllerChecked);
bool WriteSkipped(const TParameterGroup& group, bool controllerChecked);

// The service sequence: three digits, compared one by one.
inline constexpr char16_t kServiceKey1 = u'4';
inline constexpr char16_t kServiceKey2 = u'1';
inline constexpr char16_t kServiceKey3 = u'7';
// The count after one typed character: the first digit always advances it, the second at
// 1 and the third at 2; anything else sets it back to 0. It stops at its largest value.
std::int32_t NextServiceKeyCount(std::int32_t count, char16_t key);
// The count at which the service tabs are shown.
inline constexpr std::int32_t kServiceKeysRevealing = 3;

// The whole external EEPROM in 32-byte blocks: 2048 blocks for addresses 0 to 65535.
inline constexpr int kEepromBlocks = 2048;
inline constexpr int kEepromBlockSize = 32;

} // namespace app
