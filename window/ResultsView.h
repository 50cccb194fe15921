#pragma once

#include <QString>
#include <QWidget>

#include "finish/Summary.h"

class QPainter;

// The results of a finished run at a glance: a bar chart of the counts beside the summary and the
// fairness reading. Up to 100 items it draws one bar per item; above that, the items in equal
// ranges, each bar the mean count per item of its range. A dashed line marks the count every item
// would have if all were equally likely, and the bars of the most frequent items are marked.
// Screen readers are told the summary as its name and the reading as its description.
class ResultsView : public QWidget {
    Q_OBJECT

public:
    static constexpr int MaxBars = 100;

    explicit ResultsView(QWidget* parent = nullptr);

    void SetSummary(const Summary& summary);

    // The fairness reading, which comes a moment after the summary.
    void SetReading(const QString& reading);

    QSize sizeHint() const override { return {671, 146}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintChart(QPainter& painter, QRect area) const;
    void PaintText(QPainter& painter, QRect area) const;

    Summary summary_;
};
