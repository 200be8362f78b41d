#pragma once
// The locale of the user's messages as a test sets it: LC_ALL, LC_MESSAGES and LANG as given
// (nullptr: unset), put back as they were when the object goes.
#include <array>
#include <cstdlib>
#include <optional>
#include <string>

namespace platform_test {

class MessageLocale {
public:
    MessageLocale(const char* lang, const char* messages = nullptr, const char* all = nullptr) {
        const std::array<const char*, 3> values = {all, messages, lang};
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            if (const char* old = std::getenv(kNames[i]))
                saved_[i] = old;
            Set(kNames[i], values[i]);
        }
    }
    ~MessageLocale() {
        for (std::size_t i = 0; i < kNames.size(); ++i)
            Set(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
    }
    MessageLocale(const MessageLocale&) = delete;
    MessageLocale& operator=(const MessageLocale&) = delete;

private:
    static constexpr std::array<const char*, 3> kNames = {"LC_ALL", "LC_MESSAGES", "LANG"};

    static void Set(const char* name, const char* value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }

    std::array<std::optional<std::string>, 3> saved_;
};

} // namespace platform_test
