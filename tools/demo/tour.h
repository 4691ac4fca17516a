#pragma once

#include <QString>

class DemoWindow;
class QTextStream;

// The scripted tour that runs without a display: load, add a comment, change a loaded comment's
// flags, save, reload. Writes a screenshot of each step into shotsDir and returns 0 only when the
// reloaded rows show the saved changes.
int runTour(DemoWindow &window, const QString &shotsDir, QTextStream &out);
