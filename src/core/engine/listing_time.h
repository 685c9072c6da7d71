#pragma once

#include <QDate>
#include <QString>

// The time column of a listing, read as a time. Servers write it in a few
// forms:
//
//   "Dec 01 12:01"        Unix, within the last six months: the year is
//                         this year, or the last when that date is still
//                         to come
//   "Mar 04  2019"        Unix, older: the year instead of the time
//   "03-10-23  12:01PM"   DOS (month-day-year, two or four year digits)
//   "2026-12-08 10:00:00" the local file list (year first)
//   "December 08, 2026"   the program's own rows for folders it made
namespace ListingTime {

// A listed time: minutes since 1970 (UTC fields, no time zone), and
// whether the listing gave only the day ("Mar 04  2019").
struct Stamp {
    qint64 minutes = -1; // -1: the text fits none of the forms
    bool dayOnly = false;
    bool valid() const { return minutes >= 0; }
};

// `today` places the Unix form in its year.
Stamp read(const QString& text, const QDate& today);
// Minutes since 1970 for ordering; -1 when the text fits none of the forms.
qint64 sortKey(const QString& text, const QDate& today);
// The one form both file lists show: "2026-12-09 10:44", or "2019-03-04"
// for a day only; empty for a stamp that is not valid.
QString displayText(const Stamp& stamp);

} // namespace ListingTime
