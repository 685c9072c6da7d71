#include "core/engine/listing_time.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>
#include <QTimeZone>

namespace {

// 1 to 12 for an English month name or its first three letters, else 0.
int monthOf(const QString& word) {
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    if (word.size() < 3)
        return 0;
    const QString head = word.left(3).toLower();
    for (int m = 0; m < 12; ++m)
        if (head == QLatin1String(kMonths[m]))
            return m + 1;
    return 0;
}

int number(const QString& text, int low, int high) {
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= low && n <= high ? n : -1;
}

// "12:01", "12:01PM", "9:05am": the time of day, or an invalid time.
QTime timeOf(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d{1,2}):(\\d{2})(?::\\d{2})?([AaPp][Mm])?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return {};
    int hour = m.captured(1).toInt();
    const int minute = m.captured(2).toInt();
    const QString half = m.captured(3).toLower();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12)
            return {};
        hour = hour % 12 + (half == QLatin1String("pm") ? 12 : 0);
    }
    return QTime(hour, minute);
}

using ListingTime::Stamp;

Stamp stampOf(const QDate& date, const QTime& time, bool dayOnly = false) {
    if (!date.isValid() || !time.isValid())
        return {};
    return {QDateTime(date, time, QTimeZone::utc()).toSecsSinceEpoch() / 60, dayOnly};
}

Stamp unixForm(const QStringList& w, const QDate& today) {
    const int month = monthOf(w.at(0));
    const int day = number(w.at(1), 1, 31);
    if (month == 0 || day < 0)
        return {};
    const int year = number(w.at(2), 1900, 9999);
    if (year > 0)
        return stampOf(QDate(year, month, day), QTime(0, 0), true);
    const QTime time = timeOf(w.at(2));
    QDate date(today.year(), month, day);
    if (date.isValid() && date > today.addDays(1))
        date = QDate(today.year() - 1, month, day);
    return stampOf(date, time);
}

Stamp dosForm(const QStringList& w) {
    const QStringList parts = w.at(0).split(QLatin1Char('-'));
    if (parts.size() != 3)
        return {};
    // "2026-12-08 10:00:00", the local file list's own form, puts the year
    // first.
    const bool yearFirst = parts.at(0).size() == 4;
    const int month = number(parts.at(yearFirst ? 1 : 0), 1, 12);
    const int day = number(parts.at(yearFirst ? 2 : 1), 1, 31);
    int year = number(parts.at(yearFirst ? 0 : 2), 0, 9999);
    if (month < 0 || day < 0 || year < 0)
        return {};
    if (!yearFirst && parts.at(2).size() <= 2)
        year += year < 70 ? 2000 : 1900;
    if (w.size() < 2)
        return stampOf(QDate(year, month, day), QTime(0, 0), true);
    return stampOf(QDate(year, month, day), timeOf(w.at(1)));
}

} // namespace

ListingTime::Stamp ListingTime::read(const QString& text, const QDate& today) {
    const QStringList w =
        text.simplified().remove(QLatin1Char(',')).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (w.isEmpty())
        return {};
    if (monthOf(w.at(0)) != 0 && w.size() >= 3)
        return unixForm(w, today); // also "December 08 2026", the comma gone
    if (w.at(0).count(QLatin1Char('-')) == 2)
        return dosForm(w);
    return {};
}

qint64 ListingTime::sortKey(const QString& text, const QDate& today) {
    return read(text, today).minutes;
}

QString ListingTime::displayText(const Stamp& stamp) {
    if (!stamp.valid())
        return {};
    const QDateTime time = QDateTime::fromSecsSinceEpoch(stamp.minutes * 60, QTimeZone::utc());
    return time.toString(stamp.dayOnly ? QStringLiteral("yyyy-MM-dd")
                                       : QStringLiteral("yyyy-MM-dd HH:mm"));
}
