// The date forms of the Comment Date cells: the fixed English forms written, every form read.
#include "platform/dateforms.h"

#include <gtest/gtest.h>

using namespace VynMemberComment::Platform;

namespace {

CivilTime at(int year, int month, int day, int hour, int minute, int second = 0)
{
    return {year, month, day, hour, minute, second};
}

// The sortable form.
std::string describe(const std::optional<CivilTime> &t)
{
    return t
        ? QString::asprintf("%04d/%02d/%02d %02d:%02d:%02d", t->year, t->month, t->day, t->hour, t->minute, t->second)
              .toStdString()
        : "none";
}

} // namespace

TEST(DateFormsTest, FixedEnglishFormsReadBack)
{
    const struct {
        CivilTime time;
        const char *display, *monthName, *sortable;
    } cases[] = {{at(2010, 8, 5, 15, 4, 9), "8/5/2010 03:04PM", "Aug 05 2010 03:04PM", "2010/08/05 15:04:09"},
                 // midnight and noon on the 12-hour clock
                 {at(2010, 8, 5, 0, 5), "8/5/2010 12:05AM", "Aug 05 2010 12:05AM", "2010/08/05 00:05:00"},
                 {at(2010, 8, 5, 12, 0), "8/5/2010 12:00PM", "Aug 05 2010 12:00PM", "2010/08/05 12:00:00"},
                 {at(2010, 8, 5, 11, 59, 59), "8/5/2010 11:59AM", "Aug 05 2010 11:59AM", "2010/08/05 11:59:59"},
                 {at(2010, 8, 5, 13, 0), "8/5/2010 01:00PM", "Aug 05 2010 01:00PM", "2010/08/05 13:00:00"},
                 {at(1999, 12, 31, 23, 59, 59), "12/31/1999 11:59PM", "Dec 31 1999 11:59PM", "1999/12/31 23:59:59"},
                 {at(2024, 1, 1, 9, 7), "1/1/2024 09:07AM", "Jan 01 2024 09:07AM", "2024/01/01 09:07:00"},
                 {at(805, 2, 3, 4, 5, 6), "2/3/0805 04:05AM", "Feb 03 0805 04:05AM", "0805/02/03 04:05:06"},
                 {at(2030, 11, 30, 23, 1), "11/30/2030 11:01PM", "Nov 30 2030 11:01PM", "2030/11/30 23:01:00"}};
    for (const auto &c : cases) {
        EXPECT_EQ(displayForm(c.time), QLatin1StringView(c.display));
        EXPECT_EQ(monthNameForm(c.time), QLatin1StringView(c.monthName));
        // the sortable form is read, never written; the forms written read back but for seconds
        EXPECT_EQ(readCommentDate(QString::fromLatin1(c.sortable)), c.time) << c.sortable;
        const CivilTime minute = at(c.time.year, c.time.month, c.time.day, c.time.hour, c.time.minute);
        EXPECT_EQ(readCommentDate(displayForm(c.time)), minute) << c.display;
        EXPECT_EQ(readCommentDate(monthNameForm(c.time)), minute) << c.monthName;
    }
}

TEST(DateFormsTest, ReadsEveryForm)
{
    // the display form with a blank and seconds allowed, and on the 24-hour clock; the sortable
    // form; the month-name form, padded or not, in any letter case; ISO 8601; blanks around
    const std::pair<const char *, const char *> cases[] = {
        {"8/5/2010 3:04:09 PM", "2010/08/05 15:04:09"},     {"08/05/2010 03:04 pm", "2010/08/05 15:04:00"},
        {"12/31/1999 11:59:59PM", "1999/12/31 23:59:59"},   {"8/5/2010 15:04", "2010/08/05 15:04:00"},
        {"8/5/2010 12:05PM", "2010/08/05 12:05:00"},        {"8/5/2010 12:00:00 am", "2010/08/05 00:00:00"},
        {"8/5/2010 01:00AM", "2010/08/05 01:00:00"},        {"8/5/2010 0:00", "2010/08/05 00:00:00"},
        {"2010/08/05 00:00:00", "2010/08/05 00:00:00"},     {"Aug  5 2010  3:04PM", "2010/08/05 15:04:00"},
        {"aug 5 2010 3:04:09 pm", "2010/08/05 15:04:09"},   {"DEC 31 2024 12:59Pm", "2024/12/31 12:59:00"},
        {"may 1 2024 1:00", "2024/05/01 01:00:00"},         {"Sep 30 2024 1:00", "2024/09/30 01:00:00"},
        {"2010-08-05 15:04:09", "2010/08/05 15:04:09"},     {"2010-08-05T15:04:09", "2010/08/05 15:04:09"},
        {"2010-08-05T15:04:09.123", "2010/08/05 15:04:09"}, {"2010-08-05T15:04", "2010/08/05 15:04:00"},
        {"  8/5/2010 03:04PM ", "2010/08/05 15:04:00"},     {"2/29/2000 01:00AM", "2000/02/29 01:00:00"},
        {"2024/02/29 10:00:00", "2024/02/29 10:00:00"},     {"12/31/2010 01:00AM", "2010/12/31 01:00:00"}};
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(describe(readCommentDate(QString::fromLatin1(text))), expected) << text;
}

TEST(DateFormsTest, UnreadableTexts)
{
    const char *const cases[] = {
        // not a date at all
        "", " ", "yesterday", "8/5/2010", "2010/08/05", "15:04", "Aug 05 2010", "Aug",
        // broken pieces
        "8-5-2010 03:04PM", "8/5/10 03:04PM", "8/5/20100 03:04PM", "8/5/2010 03:4PM", "8/5/2010 0304PM",
        "8/5/2010 03:04PMX", "8/5/2010 15", "2010-08-05 15:04:", "8/5/2010 03:04 P", "8/5/2010 03:04:9PM",
        "8/5/2010T03:04PM", "8/5/201003:04PM", "2010/8/5 15:04:09", "2010-08/05 15:04:09", "2010-08-05X15:04:09",
        "2010-08-05 15:04:09.", "2010-08-05 15:04:09Z", "2010/08/05T15:04:09", "201008-05 15:04",
        "Augu 05 2010 03:04PM", "Aug05 2010 03:04PM", "Aug 005 2010 03:04PM", "Foo 05 2010 03:04PM",
        "Aug 05 10 03:04PM", "Aug 05 201003:04PM", "123/5/2010 03:04PM", "8/5/2010 03:04 XM",
        // a 12-hour clock has no hour 0 and none above 12
        "8/5/2010 00:05AM", "8/5/2010 0:05 PM", "8/5/2010 13:05PM",
        // no real date or time
        "13/5/2010 03:04PM", "0/5/2010 03:04PM", "2/30/2010 03:04PM", "2/29/2010 03:04PM", "2/29/1900 03:04PM",
        "4/31/2010 03:04PM", "8/0/2010 03:04PM", "8/32/2010 03:04PM", "8/5/0000 03:04PM", "8/5/2010 24:00",
        "8/5/2010 23:60", "2010/08/05 15:04:60", "2010-13-01 00:00:00", "Feb 30 2010 01:00AM", "Jun 31 2010 01:00AM",
        "Nov 31 2010 01:00AM"};
    for (const char *text : cases)
        EXPECT_FALSE(readCommentDate(QString::fromLatin1(text)))
            << text << " read as " << describe(readCommentDate(QString::fromLatin1(text)));
}

TEST(DateFormsTest, ClockCanBeSet)
{
    setClock([] { return QDateTime(QDate(2010, 8, 5), QTime(15, 7, 3)); });
    EXPECT_EQ(now(), at(2010, 8, 5, 15, 7, 3));
    setClock({});
    // the system's clock again: not behind a moment ago
    EXPECT_FALSE(now() < toCivilTime(QDateTime::currentDateTime().addSecs(-1)));
}
