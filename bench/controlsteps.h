#pragma once

// Steps every scenario takes with the control: a shown control, its list, a load that must show
// every row, and stopping the run when a step fails.

#include <VynMemberComment/MemberComment.h>

#include <QObject>
#include <QString>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

class QTreeView;

namespace Bench {

// Stops the run: a step that failed measures nothing. Whatever was registered with atFailure
// (a server process) is stopped first.
[[noreturn]] void fail(const char *why);
void atFailure(void (*cleanup)());

// A shown control for the member that may edit, as a host window holds it.
std::unique_ptr<VynMemberComment::MemberComment> shownControl(qint32 member = 1001);

QTreeView *listOf(VynMemberComment::MemberComment &control);

// LoadData for person 1, type 1, then posted events and paints; stops the run unless the list
// shows `rows` rows.
void loadChecked(VynMemberComment::MemberComment &control, const QString &server, std::size_t rows, qint16 person = 1);

// Answers the message boxes shown while it lives: each box with the expected title is accepted as
// soon as it shows, and when it showed is kept; any other stops the run.
class BoxAnswers : public QObject
{
public:
    explicit BoxAnswers(const QString &title);
    ~BoxAnswers() override;
    std::chrono::steady_clock::time_point lastShown() const { return m_shown; }
    QString lastText() const { return m_text; }
    // Whether boxes are being answered now.
    static bool answering() { return s_answering; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_title;
    std::chrono::steady_clock::time_point m_shown;
    QString m_text;
    static inline bool s_answering = false;
};

// "100,000".
std::string count(std::size_t n);

} // namespace Bench
