#pragma once

#include <QMessageBox>
#include <QString>

class Failure;
class QWidget;

// A message box with the program's title that shows its text as plain text (a typed setting or a
// folder name as it is, never as markup or a link) and goes away when closed.
QMessageBox* NewMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                           QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// A message over the window that does not block: the window goes on (and its timer keeps time)
// until the user closes it.
void ShowNotice(QWidget* parent, QMessageBox::Icon icon, const QString& text);

// The end of the road for a failure: the report goes to stderr and, where there is a screen, into
// a modal dialog that names the failure kind and what failed.
void ReportFailure(QWidget* parent, const Failure& failure);
