#pragma once

#include <QApplication>
#include <QString>

#include <memory>

// Creates the application, which connects to the windowing system. Where it cannot be reached,
// Qt would print several lines and abort with a core dump; Kelpov prints instead one line that
// names the display it tried, and ends with exit status 1 before it has touched any file. Returns
// null, having said so, when nothing names a display at all. platform and display are the values
// of Qt's -platform and -display options, or empty.
std::unique_ptr<QApplication> ConnectToWindowSystem(int& argc, char* argv[],
                                                    const QString& platform,
                                                    const QString& display);
