#pragma once

#include <QColor>
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

#include "finish/FairRange.h"
#include "finish/FairnessWords.h"
#include "finish/Summary.h"
#include "window/results/ChartLayout.h"

class ItemTable;
class ItemTableView;
class QLabel;
class QPainter;
class QScrollArea;
class QTableView;
class QToolButton;

// The results of a finished run, in the space its window leaves free: the fairness reading's
// verdict first, what it rests on and the summary, in labels that wrap and scroll at the user's
// font size, with the method and the numbers behind "Details"; a table of every item; and a bar
// chart of the counts (laid out by ChartLayout). It goes around a rectangle that it keeps clear for
// its window's own controls, and grows with its size; in a tall window the table keeps a third of
// the height. Screen readers meet it as a chart named by the verdict and described by its basis
// and the summary, holding the labels and the table. Ctrl+C anywhere in the window copies the
// results (CopiedText).
class ResultsView : public QWidget {
    Q_OBJECT

public:
    // Dark text on white: 17.4:1, where white on the window's highlight blue is 3.69:1.
    static const QColor Background;
    static const QColor Ink;

    explicit ResultsView(QWidget* parent = nullptr);

    // The run's counts and where a fair run keeps them. The reading is pending until SetReading
    // gives it.
    void SetSummary(const Summary& summary, const FairRange& range);
    void SetReading(const ReadingWords& reading);

    // A rectangle of the view, in its own coordinates, that the results leave free.
    void KeepClear(QRect area);

    QTableView* Table() const;
    // The controls in it that Tab reaches after the view itself, in order: the words, which can be
    // selected from the keyboard, "Details", and the table.
    QList<QWidget*> TabStops() const;
    QRect ChartArea() const { return chartArea_; }
    ChartLayout Chart() const;

    // What Ctrl+C copies: the words selected in a focused label; in the focused table with rows
    // selected, the columns' titles and those rows; else the summary, the reading, the titles and
    // every row in the order shown.
    QString CopiedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place();
    void PaintChart(QPainter& painter, const ChartLayout& chart) const;

    QRect keepClear_;
    QRect chartArea_;
    ItemTable* items_;
    FairRange range_;
    ItemTableView* table_;
    QScrollArea* words_;
    QLabel* verdict_;
    QLabel* basis_;
    QLabel* summary_;
    QToolButton* more_;  // shows and hides the details
    QLabel* details_;
};
