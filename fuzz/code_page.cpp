// The code page: every Windows-1251 byte string survives the trip through both Unicode
// forms, and malformed UTF-8 or UTF-16 converts without reading past its end.
#include "fuzz/Check.h"
#include "runtime/CodePage.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // As Windows-1251 text.
    FUZZ_CHECK(rt::Utf8ToCp1251(rt::Cp1251ToUtf8(bytes)) == bytes);
    const std::u16string wide = rt::Cp1251ToUtf16(bytes);
    FUZZ_CHECK(wide.size() == size);
    FUZZ_CHECK(rt::Utf16ToCp1251(wide) == bytes);

    // As UTF-8 text: one byte or more a character.
    FUZZ_CHECK(rt::Utf8ToCp1251(bytes).size() <= size);
    const std::u16string fromUtf8 = rt::Utf8ToUtf16(bytes);
    FUZZ_CHECK(fromUtf8.size() <= size);
    FUZZ_CHECK(rt::Utf8ToUtf16(rt::Utf16ToUtf8(fromUtf8)) == fromUtf8);

    // As UTF-16 text (unpaired surrogates included): the second conversion changes nothing.
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    FUZZ_CHECK(rt::Utf16ToCp1251(units).size() <= units.size());
    const std::string utf8 = rt::Utf16ToUtf8(units);
    FUZZ_CHECK(rt::Utf16ToUtf8(rt::Utf8ToUtf16(utf8)) == utf8);
    return 0;
}
