#pragma once
// Windows-1251 to Unicode and back. Every byte maps to one code point (0x98, unassigned in
// the code page, maps to U+0098), so any byte string survives the round trip. Code points
// with no byte, and malformed UTF-8 / UTF-16, become '?'.
#include <string>
#include <string_view>
#include <vector>

namespace rt {

char32_t Cp1251ToChar(unsigned char byte);
// '?' when the code point has no byte.
char Cp1251FromChar(char32_t codePoint);

std::string Cp1251ToUtf8(std::string_view cp1251);
std::string Utf8ToCp1251(std::string_view utf8);
std::u16string Cp1251ToUtf16(std::string_view cp1251);
std::string Utf16ToCp1251(std::u16string_view utf16);

// The characters of the UTF-8 text that Windows-1251 cannot hold (each once, in the order
// they first come), as UTF-8.
std::vector<std::string> CharsNotInCp1251(std::string_view utf8);

// Between the two Unicode forms (malformed input becomes U+FFFD).
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

} // namespace rt
