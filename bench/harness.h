#pragma once

// Timing sides of a comparison in one run, and the report of figures against their goals.

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace Bench {

// Milliseconds that f takes.
template<typename F>
double millis(F &&f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Each side does its own untimed setup and returns the milliseconds of what it measures.
using Side = std::function<double()>;

// The best time of every side over the rounds. The sides take turns within a round, so a busy
// spell on the shared machine hits them alike; the best time is the one least disturbed.
inline std::vector<double> bestOf(int rounds, const std::vector<Side> &sides)
{
    std::vector<double> best(sides.size(), 1e300);
    for (int round = 0; round < rounds; ++round)
        for (std::size_t s = 0; s < sides.size(); ++s)
            best[s] = std::min(best[s], sides[s]());
    return best;
}

// Every time of every side, for sides that may take seconds: the sides take turns as in bestOf,
// and a side stops taking turns once its rounds have used budgetMs in all (each runs at least
// once), so that a slow side does not stall the run.
inline std::vector<std::vector<double>> timesWithin(int rounds, double budgetMs, const std::vector<Side> &sides)
{
    std::vector<std::vector<double>> times(sides.size());
    std::vector<double> used(sides.size(), 0);
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t s = 0; s < sides.size(); ++s) {
            if (round > 0 && used[s] >= budgetMs)
                continue;
            times[s].push_back(sides[s]());
            used[s] += times[s].back();
        }
    }
    return times;
}

inline double best(const std::vector<double> &times)
{
    return *std::min_element(times.begin(), times.end());
}

// Runs posted events (deferred deletions, layouts, paints) until none is left.
inline void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

enum class Goal { None, AtMost, AtLeast };

// Prints one line per figure: the ratio, what it was measured from, the goal and whether it is met.
class Report
{
public:
    void figure(const std::string &name, double ratio, const std::string &detail, Goal goal = Goal::None,
                double limit = 0)
    {
        const bool met = goal == Goal::None || (goal == Goal::AtMost ? ratio <= limit : ratio >= limit);
        char goalText[64] = "no goal";
        if (goal != Goal::None) {
            std::snprintf(goalText, sizeof goalText, "goal %s %.4gx: %s", goal == Goal::AtMost ? "<=" : ">=", limit,
                          met ? "met" : "MISSED");
            (met ? m_met : m_missed) += 1;
        }
        std::printf("%-46s %8.3fx  %-52s %s\n", name.c_str(), ratio, detail.c_str(), goalText);
        std::fflush(stdout);
    }
    void summary() const
    {
        std::printf("goals met: %d of %d\n", m_met, m_met + m_missed);
        std::fflush(stdout);
    }
    int missed() const { return m_missed; }

private:
    int m_met = 0;
    int m_missed = 0;
};

// "85.3 ms" and friends for the detail column.
inline std::string ms(double milliseconds)
{
    char text[32];
    std::snprintf(text, sizeof text, milliseconds < 10 ? "%.2f ms" : "%.1f ms", milliseconds);
    return text;
}

} // namespace Bench
