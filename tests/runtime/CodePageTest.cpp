#include "runtime/CodePage.h"

#include <gtest/gtest.h>

namespace {

using namespace rt;

std::string AllBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b)
        s += static_cast<char>(b);
    return s;
}

TEST(Cp1251, EveryByteRoundTrips) {
    const std::string bytes = AllBytes();
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(bytes)), bytes);
    EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(bytes)), bytes);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(
            static_cast<unsigned char>(Cp1251FromChar(Cp1251ToChar(static_cast<unsigned char>(b)))),
            b);
}

TEST(Cp1251, KnownCharacters) {
    struct Case {
        unsigned char byte;
        const char* utf8;
    };
    const Case cases[] = {
        {0xC0, "А"}, {0xDF, "Я"},      {0xE0, "а"},      {0xFF, "я"}, {0xA8, "Ё"},
        {0xB8, "ё"}, {0xB9, "№"},      {0x88, "€"},      {0x96, "–"}, {0xAB, "«"},
        {0xBB, "»"}, {0xA0, "\u00A0"}, {0x98, "\u0098"}, {0x41, "A"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Cp1251ToUtf8(std::string(1, static_cast<char>(c.byte))), c.utf8) << int(c.byte);
        EXPECT_EQ(Utf8ToCp1251(c.utf8), std::string(1, static_cast<char>(c.byte))) << c.utf8;
    }
    EXPECT_EQ(Cp1251ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(Utf8ToCp1251("Прибор не подключен !"),
              "\xCF\xF0\xE8\xE1\xEE\xF0 \xED\xE5 \xEF\xEE\xE4\xEA\xEB\xFE\xF7\xE5\xED !");
}

TEST(Cp1251, UnmappableAndMalformedBecomeQuestionMarks) {
    struct Case {
        std::string utf8;
        std::string cp1251;
    };
    const Case cases[] = {
        {"é", "?"}, // no byte in the code page
        {"中x", "?x"},
        {"\xF0\x9F\x98\x80", "?"}, // four-byte sequence
        {"\xFF"
         "A",
         "?A"},
        {"\xD0"
         "A",
         "?A"},                  // truncated sequence
        {"\xC0\x80", "??"},      // overlong
        {"\xED\xA0\x80", "???"}, // encoded surrogate
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251);
    EXPECT_EQ(Utf16ToCp1251(u"\xD800"
                            u"A"),
              "?A");
    EXPECT_EQ(Utf16ToCp1251(u"\xDC00"), "?");
    EXPECT_EQ(Utf16ToCp1251(u"\U0001F600я"), "?\xFF");
}

TEST(Unicode, Utf8AndUtf16) {
    const std::string text = "Kelvane А № 😀";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf8ToUtf16("я"), u"я");
    EXPECT_EQ(Utf8ToUtf16("\xFF"), u"\uFFFD");
    EXPECT_EQ(Utf16ToUtf8(u"\xD800"), "\uFFFD");
}

} // namespace

// The characters a text loses in Windows-1251, each once, in their first order.
TEST(Cp1251, CharsNotInCp1251) {
    struct Case {
        const char* text;
        std::vector<std::string> lost;
    } const cases[] = {
        {"", {}},
        {"Присадка. №5 € «ё» ? abc", {}},
        {"✓ ok ✓", {"✓"}},
        {"Зима 😀 и ✓, снова 😀", {"😀", "✓"}},
        {"ǅ€Ω", {"ǅ", "Ω"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(rt::CharsNotInCp1251(c.text), c.lost);
        // Exactly these become '?'.
        const std::string back = rt::Cp1251ToUtf8(rt::Utf8ToCp1251(c.text));
        std::string expected = c.text;
        for (const std::string& ch : c.lost)
            for (std::size_t at; (at = expected.find(ch)) != std::string::npos;)
                expected.replace(at, ch.size(), "?");
        EXPECT_EQ(back, expected);
    }
}
