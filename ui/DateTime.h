#pragma once
// Dates and times as the user's locale writes them.
#include <string>

class QDateTime;
class QLocale;

namespace ui {

struct TDateTimeTexts {
    std::string Date; // the locale's short date
    std::string Time; // the locale's long time, without its time-zone fields
};

TDateTimeTexts DateTimeTexts(const QDateTime& when, const QLocale& locale);
// Now, in the user's locale.
TDateTimeTexts NowTexts();

} // namespace ui
