#include "ui/DateTime.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace ui {
namespace {

// The time format without its time-zone fields (unquoted "t").
QString WithoutTimeZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

} // namespace

TDateTimeTexts DateTimeTexts(const QDateTime& when, const QLocale& locale) {
    const QString timeFormat = WithoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    return {locale.toString(when.date(), QLocale::ShortFormat).toStdString(),
            locale.toString(when.time(), timeFormat).toStdString()};
}

TDateTimeTexts NowTexts() { return DateTimeTexts(QDateTime::currentDateTime(), QLocale::system()); }

} // namespace ui
