#pragma once
// The widget-free logic of the service tabs: the key sequence that reveals them and the size
// of the external EEPROM's whole-memory loops. The parameter groups are core::ParameterTable.
#include <cstdint>

namespace app {

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
