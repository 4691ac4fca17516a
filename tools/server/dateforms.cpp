#include "dateforms.h"

#include <cstdio>
#include <ctime>
#include <optional>

namespace MemberCommentServer {

namespace {

struct StoredTime {
    int year, month, day, hour, minute;
};

std::optional<StoredTime> parseStored(std::string_view text)
{
    // "yyyy-mm-dd HH:MM:SS": digits everywhere but the separators.
    constexpr std::string_view pattern = "dddd-dd-dd dd:dd:dd";
    if (text.size() != pattern.size())
        return std::nullopt;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == 'd' ? !digit : text[i] != pattern[i])
            return std::nullopt;
    }
    const auto number = [&](size_t at, size_t length) {
        int value = 0;
        for (size_t i = at; i < at + length; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    StoredTime t{number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2)};
    if (t.month < 1 || t.month > 12 || t.hour > 23 || t.minute > 59)
        return std::nullopt;
    return t;
}

// "03:04PM": the hour on the 12-hour clock, two digits each, no blank before AM/PM.
std::string clockText(const StoredTime &t)
{
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d%s", hour12, t.minute, t.hour < 12 ? "AM" : "PM");
    return buffer;
}

} // namespace

std::string storedNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return buffer;
}

std::string displayForm(std::string_view stored)
{
    const auto t = parseStored(stored);
    if (!t)
        return std::string(stored);
    return std::to_string(t->month) + "/" + std::to_string(t->day) + "/" + std::to_string(t->year) + " "
        + clockText(*t);
}

std::string monthNameForm(std::string_view stored)
{
    static constexpr const char *kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const auto t = parseStored(stored);
    if (!t)
        return std::string(stored);
    char day[8];
    std::snprintf(day, sizeof day, "%02d", t->day);
    return std::string(kMonths[t->month - 1]) + " " + day + " " + std::to_string(t->year) + " " + clockText(*t);
}

} // namespace MemberCommentServer
