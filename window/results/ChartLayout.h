#pragma once

#include <QLine>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

#include "finish/Summary.h"

// Where each part of the results chart goes: the geometry and the words of a bar chart of a run's
// counts in a given rectangle, with no painting, so that a table of cases can check it.
//
// Counts run up from 0 at the plot's bottom edge to the highest tick, a round number. Items run
// left to right: one bar per item where the bars are at least MinPitch pixels apart, else one bar
// per range of 2, 5, 10, 20, 50 ... items. A bar of one item rises to its count; a bar of a range
// rises to the range's highest count, the part up to its lowest count drawn apart, so that one
// item's 179 picks read as 179 among a range whose mean is 36.
struct ChartLayout {
    // The font the chart's words are drawn in: a text's width and the height of a line.
    struct Metrics {
        std::function<int(const QString&)> width;
        int line = 0;
    };

    // Words in a box.
    struct Label {
        QRect box;
        QString text;
    };

    struct Bar {
        int first = 0, last = 0;      // the items of the bar
        int lowest = 0, highest = 0;  // their lowest and highest counts
        QRect rect;                   // from the axis up to the highest count
        QRect lowestRect;             // from the axis up to the lowest count
        bool marked = false;          // holds a most frequent item, marked over the bar
    };

    // A count on the y axis, with a gridline across the plot at y.
    struct Tick {
        int count = 0;
        int y = 0;
        Label label;
    };

    enum class Key { Lowest, Highest, Expected, MostFrequent };
    struct LegendEntry {
        Key key;
        QRect swatch;
        Label label;
    };

    static constexpr int MinPitch = 4;  // pixels from one bar to the next, gap included
    static constexpr int MaxBarWidth = 64;

    QString empty;  // instead of a chart, when there are no items
    QRect plot;     // the bars' area; the count 0 lies on the row just below it
    int top = 1;    // the count at the plot's top edge
    int itemsPerBar = 1;
    std::vector<Bar> bars;
    std::vector<Tick> ticks;        // from 0 up
    std::vector<QLine> expected;    // the count each item has if the draws follow their law
    std::vector<QPoint> marks;      // the tips of the marks over the marked bars
    std::vector<Label> itemLabels;  // item numbers under the bars
    Label countTitle;               // the y axis's title, turned to read upwards: box is the
                                    // turned text's box, its bottom left where the text starts
    Label itemTitle;                // the x axis's title
    std::vector<LegendEntry> legend;

    // The row of a count: the top edge of a bar of that count, whose height is the count's share of
    // the plot's height, rounded.
    int Y(double count) const;
};

// Lays out the chart of this summary's counts in the area.
ChartLayout LayOutChart(const Summary& summary, QRect area, const ChartLayout::Metrics& metrics);
