#pragma once
// The program from start to end: the checks before any window, the single
// instance, the splash window, the data modules and the main window.
class QWidget;

namespace zb {

// Brings a window to the front, restored when it was minimised; a modal
// dialog it shows comes along on top.
void bringToFront(QWidget* w);

// Runs the program; returns the process exit code.
int runZbWin(int argc, char** argv);

}  // namespace zb
