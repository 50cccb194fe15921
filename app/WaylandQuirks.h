#pragma once

#include <QApplication>

#include <memory>

// Two ways around faults of Qt 6.4's Wayland platform. Elsewhere (X11, offscreen) neither changes
// anything.

// Lets every top-level window take whatever size the compositor configures when it maximizes the
// window or makes it full screen, whether the title bar's button or the compositor itself asked.
// A window with a maximum size, such as any message box, would keep its size, and the compositor
// ends the program for that with a protocol error; Qt 6.4's title bar offers the maximize button
// even there. So the maximum is lifted whenever a window may have set one; a message box keeps its
// laid-out size as its minimum. A dialog whose text changed while it is maximized would still
// shrink itself back: its text stays as it is while it shows.
void LetCompositorSizeWindows(QApplication& app);

// Ends the windowing system and gives the program's exit status. Call it only once Kelpov's window
// is gone, which closes "data.txt" (synced when the window was closed) and lets the folder go: on
// Wayland the process ends here.
int LeaveWindowSystem(std::unique_ptr<QApplication> app, int status);
