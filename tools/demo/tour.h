#pragma once

#include <QString>

class DemoWindow;
class QTextStream;

// The scripted tour that runs without a display. It drives the window as a person would (keys,
// buttons, the control's children) and checks what a host must get right: Load and Save in the
// Tab order with F5 and Ctrl+S, no shrinking below the control, a save followed by a reload so a
// second save sends nothing, "Save changes?" before a close or another member's load drops pending
// comments, and a refused save that keeps them. Writes a screenshot of the main steps into shotsDir
// and returns 0 only when every check passed.
int runTour(DemoWindow &window, const QString &shotsDir, QTextStream &out);
