#include "platform/dateforms.h"

#include <iterator>
#include <mutex>

namespace VynMemberComment::Platform {

namespace {

constexpr char16_t kMonthNames[12][4] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                         u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Writes a date form into a small buffer without going through QLocale or QDateTime.
class FormWriter
{
public:
    FormWriter &number(int value, int minDigits)
    {
        char16_t digits[12];
        int count = 0;
        unsigned v = value < 0 ? 0u - unsigned(value) : unsigned(value);
        do {
            digits[count++] = char16_t(u'0' + v % 10);
            v /= 10;
        } while (v != 0);
        if (value < 0)
            put(u'-');
        for (int i = count; i < minDigits; ++i)
            put(u'0');
        while (count > 0)
            put(digits[--count]);
        return *this;
    }
    FormWriter &text(const char16_t *s)
    {
        while (*s)
            put(*s++);
        return *this;
    }
    FormWriter &clock12(const CivilTime &t)
    {
        const int hour = t.hour % 12 == 0 ? 12 : t.hour % 12;
        return number(hour, 2).text(u":").number(t.minute, 2).text(t.hour < 12 ? u"AM" : u"PM");
    }
    QString result() const { return QString(reinterpret_cast<const QChar *>(m_buffer), m_size); }

private:
    void put(char16_t c)
    {
        if (m_size < qsizetype(std::size(m_buffer)))
            m_buffer[m_size++] = c;
    }
    char16_t m_buffer[48];
    qsizetype m_size = 0;
};

// Reads the pieces of a date text from left to right.
class Reader
{
public:
    explicit Reader(QStringView text)
        : m_p(text.utf16())
        , m_end(m_p + text.size())
    {
    }

    bool atEnd() const { return m_p == m_end; }
    bool peekDigit() const { return m_p != m_end && *m_p >= u'0' && *m_p <= u'9'; }
    bool peekLetter() const { return m_p != m_end && ((*m_p | 0x20) >= u'a' && (*m_p | 0x20) <= u'z'); }
    char16_t peek() const { return m_p != m_end ? *m_p : char16_t(0); }

    // Reads minDigits to maxDigits digits; how many were read, 0 when fewer than minDigits.
    int number(int minDigits, int maxDigits, int &value)
    {
        int count = 0;
        value = 0;
        while (count < maxDigits && peekDigit()) {
            value = value * 10 + (*m_p++ - u'0');
            ++count;
        }
        return count >= minDigits ? count : 0;
    }
    bool skip(char16_t c)
    {
        if (peek() != c)
            return false;
        ++m_p;
        return true;
    }
    // Skips blanks; how many.
    int blanks()
    {
        int count = 0;
        while (skip(u' '))
            ++count;
        return count;
    }
    // Reads a three-letter month name in any letter case; 1 to 12, or 0.
    int monthName()
    {
        if (m_end - m_p < 3)
            return 0;
        for (int m = 0; m < 12; ++m) {
            if ((m_p[0] | 0x20) == (kMonthNames[m][0] | 0x20) && (m_p[1] | 0x20) == kMonthNames[m][1]
                && (m_p[2] | 0x20) == kMonthNames[m][2]) {
                m_p += 3;
                return m + 1;
            }
        }
        return 0;
    }
    // Reads "AM" or "PM" in any letter case: 0 for AM, 12 for PM, -1 when neither stands here.
    int meridiem()
    {
        if (m_end - m_p < 2 || (m_p[1] | 0x20) != u'm')
            return -1;
        const char16_t first = char16_t(m_p[0] | 0x20);
        if (first != u'a' && first != u'p')
            return -1;
        m_p += 2;
        return first == u'a' ? 0 : 12;
    }

private:
    const char16_t *m_p;
    const char16_t *m_end;
};

// "H:MM", "HH:MM:SS" or "HH:MM:SS.fff", then optionally blanks and AM or PM (hours 1 to 12 then).
bool readTime(Reader &in, CivilTime &t)
{
    if (!in.number(1, 2, t.hour) || !in.skip(u':') || !in.number(2, 2, t.minute))
        return false;
    if (in.skip(u':')) {
        if (!in.number(2, 2, t.second))
            return false;
        if (in.skip(u'.')) {
            int fraction = 0;
            if (!in.number(1, 1, fraction))
                return false;
            while (in.peekDigit())
                in.number(1, 1, fraction);
        }
    }
    in.blanks();
    const int meridiem = in.meridiem();
    if (meridiem >= 0) {
        if (t.hour < 1 || t.hour > 12)
            return false;
        t.hour = t.hour % 12 + meridiem;
    }
    return t.hour <= 23 && t.minute <= 59 && t.second <= 59;
}

bool validDate(const CivilTime &t)
{
    return t.year >= 1 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= daysInMonth(t.year, t.month);
}

// "Aug 05 2010 03:04PM", "Aug  5 2010  3:04PM".
bool readMonthNameForm(Reader &in, CivilTime &t)
{
    t.month = in.monthName();
    return t.month != 0 && in.blanks() && in.number(1, 2, t.day) && in.blanks() && in.number(4, 4, t.year)
        && in.blanks() && readTime(in, t);
}

// "8/5/2010 03:04PM", "8/5/2010 3:04:09 PM".
bool readDisplayForm(Reader &in, CivilTime &t)
{
    return in.number(1, 2, t.month) && in.skip(u'/') && in.number(1, 2, t.day) && in.skip(u'/')
        && in.number(4, 4, t.year) && in.blanks() && readTime(in, t);
}

// "2010/08/05 15:04:09", "2010-08-05 15:04:09", "2010-08-05T15:04:09.123".
bool readYearFirstForm(Reader &in, CivilTime &t)
{
    if (!in.number(4, 4, t.year))
        return false;
    const char16_t separator = in.peek();
    if (separator != u'/' && separator != u'-')
        return false;
    if (!in.skip(separator) || !in.number(2, 2, t.month) || !in.skip(separator) || !in.number(2, 2, t.day))
        return false;
    const bool apart = (separator == u'-' && in.skip(u'T')) || in.blanks() > 0;
    return apart && readTime(in, t);
}

std::mutex clockMutex;
std::function<QDateTime()> &clockFunction()
{
    static std::function<QDateTime()> clock;
    return clock;
}

} // namespace

CivilTime toCivilTime(const QDateTime &moment)
{
    const QDateTime local = moment.toLocalTime();
    const QDate date = local.date();
    const QTime time = local.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

QString displayForm(const CivilTime &t)
{
    FormWriter w;
    w.number(t.month, 1).text(u"/").number(t.day, 1).text(u"/").number(t.year, 4).text(u" ").clock12(t);
    return w.result();
}

QString monthNameForm(const CivilTime &t)
{
    FormWriter w;
    w.text(t.month >= 1 && t.month <= 12 ? kMonthNames[t.month - 1] : u"???");
    w.text(u" ").number(t.day, 2).text(u" ").number(t.year, 4).text(u" ").clock12(t);
    return w.result();
}

std::optional<CivilTime> readCommentDate(QStringView text)
{
    Reader in(text.trimmed());
    CivilTime t;
    bool read = false;
    if (in.peekLetter()) {
        read = readMonthNameForm(in, t);
    } else {
        // Four digits first is a year; one or two a month.
        Reader probe = in;
        int first = 0;
        read = probe.number(1, 4, first) == 4 ? readYearFirstForm(in, t) : readDisplayForm(in, t);
    }
    if (!read || !in.atEnd() || !validDate(t))
        return std::nullopt;
    return t;
}

CivilTime now()
{
    std::function<QDateTime()> clock;
    {
        const std::lock_guard lock(clockMutex);
        clock = clockFunction();
    }
    return toCivilTime(clock ? clock() : QDateTime::currentDateTime());
}

void setClock(std::function<QDateTime()> clock)
{
    const std::lock_guard lock(clockMutex);
    clockFunction() = std::move(clock);
}

} // namespace VynMemberComment::Platform
