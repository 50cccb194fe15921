#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

#include "finish/Summary.h"
#include "window/results/ChartLayout.h"

class ItemTable;
class QPainter;
class QTableView;

// The results of a finished run, in the space its window leaves free: the summary and the fairness
// reading, a table of every item, and a bar chart of the counts (laid out by ChartLayout). It goes
// around a rectangle that it keeps clear for its window's own controls, and grows with its size.
// Screen readers meet it as a chart named by the summary and described by the reading, holding the
// table. Ctrl+C anywhere in the window copies the summary, the reading and every item's count.
class ResultsView : public QWidget {
    Q_OBJECT

public:
    // Dark text on white: 17.4:1, where white on the window's highlight blue is 3.69:1.
    static const QColor Background;
    static const QColor Ink;

    explicit ResultsView(QWidget* parent = nullptr);

    // The run's counts. The reading is pending until SetReading gives it.
    void SetSummary(const Summary& summary);
    void SetReading(const QString& reading);

    // A rectangle of the view, in its own coordinates, that the results leave free.
    void KeepClear(QRect area);

    QTableView* Table() const { return table_; }
    QRect ChartArea() const { return chartArea_; }
    ChartLayout Chart() const;

    // What Ctrl+C copies: the summary, the reading, then one line per item: the item, a tab, its
    // count.
    QString CopiedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place();
    QFont ChartFont() const;
    void PaintChart(QPainter& painter, const ChartLayout& chart) const;
    void PaintText(QPainter& painter, QRect area) const;

    QRect keepClear_;
    QRect textArea_;
    QRect chartArea_;
    ItemTable* items_;
    QTableView* table_;
};
