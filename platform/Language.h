#pragma once
// Language identifiers of the message-format call: primary language in bits 0-9,
// sublanguage in bits 10-15.
#include "platform/WinApi.h"

constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD LANG_GERMAN = 0x07;
constexpr WORD LANG_ENGLISH = 0x09;
constexpr WORD LANG_RUSSIAN = 0x19;
constexpr WORD SUBLANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;

constexpr WORD MAKELANGID(WORD primary, WORD sub) {
    return static_cast<WORD>((sub << 10) | primary);
}
constexpr WORD PRIMARYLANGID(WORD language) { return static_cast<WORD>(language & 0x3FF); }

// FormatMessageA gives its texts in English (LANG_NEUTRAL, LANG_ENGLISH) or Russian
// (LANG_RUSSIAN), as UTF-8; for another language it fails with this code. Language 0
// (LANG_NEUTRAL, SUBLANG_NEUTRAL) is the user's: Russian where the locale of the user's
// messages (LC_ALL, LC_MESSAGES or LANG, the first one set) is Russian, English otherwise.
constexpr DWORD ERROR_RESOURCE_LANG_NOT_FOUND = 1815;
