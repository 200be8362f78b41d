#include "runtime/CodePage.h"

#include <algorithm>

#include <unordered_map>

namespace rt {
namespace {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
constexpr char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};

const std::unordered_map<char32_t, unsigned char>& Reverse() {
    static const auto table = [] {
        std::unordered_map<char32_t, unsigned char> map;
        for (int b = 0x80; b <= 0xFF; ++b)
            map.emplace(Cp1251ToChar(static_cast<unsigned char>(b)), static_cast<unsigned char>(b));
        return map;
    }();
    return table;
}

constexpr char32_t kBad = 0xFFFFFFFF;

// Next code point of UTF-8 text, kBad for a malformed sequence (one byte consumed).
char32_t NextUtf8(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80)
        return b0;
    int extra;
    char32_t cp;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
        return kBad;
    }
    std::size_t j = i;
    for (int k = 0; k < extra; ++k, ++j) {
        if (j >= s.size() || (static_cast<unsigned char>(s[j]) & 0xC0) != 0x80)
            return kBad;
        cp = (cp << 6) | (static_cast<unsigned char>(s[j]) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kBad;
    i = j;
    return cp;
}

// Next code point of UTF-16 text, kBad for an unpaired surrogate.
char32_t NextUtf16(std::u16string_view s, std::size_t& i) {
    const char16_t u = s[i++];
    if (u < 0xD800 || u > 0xDFFF)
        return u;
    if (u <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
        return 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (s[i++] - 0xDC00);
    return kBad;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

} // namespace

char32_t Cp1251ToChar(unsigned char byte) {
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return 0x0410 + (byte - 0xC0);
    return kHigh[byte - 0x80];
}

char Cp1251FromChar(char32_t codePoint) {
    if (codePoint < 0x80)
        return static_cast<char>(codePoint);
    const auto& map = Reverse();
    const auto it = map.find(codePoint);
    return it == map.end() ? '?' : static_cast<char>(it->second);
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char c : cp1251)
        AppendUtf8(out, Cp1251ToChar(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = NextUtf8(utf8, i);
        out += cp == kBad ? '?' : Cp1251FromChar(cp);
    }
    return out;
}

std::u16string Cp1251ToUtf16(std::string_view cp1251) {
    std::u16string out;
    out.reserve(cp1251.size());
    for (char c : cp1251)
        out += static_cast<char16_t>(Cp1251ToChar(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf16ToCp1251(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size();) {
        const char32_t cp = NextUtf16(utf16, i);
        out += cp == kBad ? '?' : Cp1251FromChar(cp);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = NextUtf8(utf8, i);
        AppendUtf16(out, cp == kBad ? 0xFFFD : cp);
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 2);
    for (std::size_t i = 0; i < utf16.size();) {
        const char32_t cp = NextUtf16(utf16, i);
        AppendUtf8(out, cp == kBad ? 0xFFFD : cp);
    }
    return out;
}

std::vector<std::string> CharsNotInCp1251(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    std::vector<std::string> lost;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::size_t n = 1;
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            n = 2;
        }
        if (c != U'?' && Cp1251FromChar(c) == '?') {
            std::string ch = Utf16ToUtf8(units.substr(i, n));
            if (std::find(lost.begin(), lost.end(), ch) == lost.end())
                lost.push_back(std::move(ch));
        }
        i += n - 1;
    }
    return lost;
}

} // namespace rt
