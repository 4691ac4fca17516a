#pragma once

#include <QObject>

// ReadData tells the person how a save ended, in message boxes, and the host nothing. While one of
// these lives it reads the boxes shown, so the host knows whether to reload (the rows reached the
// server) or to keep them pending (a reload would drop them).
class SaveOutcome : public QObject
{
public:
    SaveOutcome();
    ~SaveOutcome() override;

    // True once a box said that the rows did not reach the server.
    bool failed() const { return m_failed; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_failed = false;
};
