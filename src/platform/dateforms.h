#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>
#include <tuple>

namespace VynMemberComment::Platform {

// A local date and time, as the comment cells write it.
struct CivilTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

    friend bool operator<(const CivilTime &a, const CivilTime &b)
    {
        return std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second)
            < std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second);
    }
    friend bool operator==(const CivilTime &a, const CivilTime &b) { return !(a < b) && !(b < a); }
};

CivilTime toCivilTime(const QDateTime &moment);

// The fixed English (United States) forms, whatever the locale.
QString displayForm(const CivilTime &t);   // "8/5/2010 03:04PM"
QString monthNameForm(const CivilTime &t); // "Aug 05 2010 03:04PM"

// Reads a Comment Date cell in any form it may hold: the display form, the same with a blank and
// optional seconds ("8/5/2010 3:04:09 PM"), the sortable form ("2010/08/05 15:04:09"), the
// month-name form (also padded with blanks, "Aug  5 2010  3:04PM"), and ISO 8601
// ("2010-08-05 15:04:09", "2010-08-05T15:04:09.123").
// None when the text is none of them or names no real date and time.
std::optional<CivilTime> readCommentDate(QStringView text);

// The current local date and time, as the editor stamps new and changed rows.
CivilTime now();
// Replaces the clock (tests); an empty function restores the system clock.
void setClock(std::function<QDateTime()> clock);

} // namespace VynMemberComment::Platform
