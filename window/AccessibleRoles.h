#pragma once

class QLabel;
class QWidget;

// What screen readers are told of a few controls, beyond what Qt tells them by itself.

// The label is a status, as a status bar's text: a screen reader finds it by that role, and reads
// its text as its name.
void ShowAsStatus(QLabel* label);

// The control is a chart, as screen readers name a view of figures drawn as marks.
void ShowAsChart(QWidget* view);

// The control is left out: its parent does not list it among its children, and none of its
// changes (a text set at every beat) is announced.
void LeaveOut(QWidget* control);
