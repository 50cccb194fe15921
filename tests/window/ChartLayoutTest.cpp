// The results chart's geometry, checked against the counts it is drawn from.

#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "picker/Picker.h"
#include "window/results/ChartLayout.h"

namespace {

// A font of 7 pixels a character and 14 a line.
const ChartLayout::Metrics Fixed = {[](const QString& text) { return 7 * int(text.size()); }, 14};

// A run of fair picks of items 1..n, with `extra` more picks of one item, as the window sums it.
Summary Run(const char* outcomes, int picks, int item, int extra) {
    auto picker = std::make_unique<Picker>();
    std::mt19937 random(picks);
    std::uniform_real_distribution<double> draw(0, std::atof(outcomes));
    for (int k = 0; k < picks; ++k) {
        const auto pick = Int16(k < extra ? item : 1 + int(draw(random)));
        picker->Picks[++picker->PickCount] = pick;
    }
    TallyPicks(*picker, outcomes);
    return Summarize(*picker, outcomes);
}

std::vector<QRect> TextBoxes(const ChartLayout& chart) {
    std::vector<QRect> boxes = {chart.countTitle.box, chart.itemTitle.box};
    for (const auto& tick : chart.ticks) {
        boxes.push_back(tick.label.box);
    }
    for (const auto& label : chart.itemLabels) {
        boxes.push_back(label.box);
    }
    for (const auto& entry : chart.legend) {
        boxes.insert(boxes.end(), {entry.swatch, entry.label.box});
    }
    return boxes;
}

}  // namespace

class ChartLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void chart_data() {
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<int>("picks");
        QTest::addColumn<int>("item");   // an item with `extra` more picks
        QTest::addColumn<int>("extra");  // picks of `item` among `picks`
        QTest::addColumn<QSize>("size");
        const QSize small(655, 127), large(1168, 531);  // in a window of 687x497 and 1200x900
        for (const int n : {2, 20, 100, 101, 1000, 4000, 20000}) {
            for (const int picks : {100, 20000}) {
                for (const QSize size : {small, large}) {
                    QTest::addRow("%d items, %d picks, %dx%d", n, picks, size.width(),
                                  size.height())
                        << QString::number(n) << picks << 1 << 0 << size;
                }
            }
        }
        QTest::newRow("item 894 picked 179 times") << "1000" << 20000 << 894 << 159 << small;
        QTest::newRow("5.6 outcomes") << "5.6" << 1000 << 1 << 0 << small;
        QTest::newRow("no picks") << "7" << 0 << 1 << 0 << small;
        QTest::newRow("no items") << "0" << 10 << 1 << 0 << small;
        QTest::newRow("a legend in rows") << "50" << 500 << 3 << 40 << QSize(260, 200);
    }

    // Each bar stands for its items' highest and lowest counts on a scale from 0 with round
    // ticks, and no two words or marks overlap.
    void chart() {
        QFETCH(QString, outcomes);
        QFETCH(int, picks);
        QFETCH(int, item);
        QFETCH(int, extra);
        QFETCH(QSize, size);
        const Summary summary = Run(outcomes.toLatin1(), picks, item, extra);
        const QRect area(QPoint(20, 30), size);
        const ChartLayout chart = LayOutChart(summary, area, Fixed);
        if (summary.counts.empty()) {
            QCOMPARE(chart.empty, QString("No items to chart"));
            QVERIFY(chart.bars.empty() && chart.ticks.empty());
            return;
        }
        const QRect& plot = chart.plot;
        QVERIFY(area.contains(plot));
        const auto y = [&](double count) {
            return plot.bottom() + 1 - int(std::lround(count / chart.top * plot.height()));
        };

        // The items in order, each in one bar of a round number of items.
        const int n = int(summary.counts.size());
        QVERIFY(QList<int>({1, 2, 5, 10, 20, 50, 100, 200, 500}).contains(chart.itemsPerBar));
        QVERIFY(int(chart.bars.size()) * ChartLayout::MinPitch <= plot.width());
        int next = 1;
        for (const ChartLayout::Bar& bar : chart.bars) {
            QCOMPARE(bar.first, next);
            QCOMPARE(bar.last, std::min(n, next + chart.itemsPerBar - 1));
            next = bar.last + 1;
            const auto begin = summary.counts.begin() + bar.first - 1;
            const auto end = summary.counts.begin() + bar.last;
            QCOMPARE(bar.highest, *std::max_element(begin, end));
            QCOMPARE(bar.lowest, *std::min_element(begin, end));
            QCOMPARE(bar.rect.top(), y(bar.highest));
            QCOMPARE(bar.lowestRect.top(), y(bar.lowest));
            QCOMPARE(bar.lowestRect.bottom(), plot.bottom());
            QCOMPARE(bar.rect.bottom(), plot.bottom());
            QCOMPARE(bar.rect.width(), chart.bars.front().rect.width());
            QVERIFY(bar.rect.left() >= plot.left() && bar.rect.right() <= plot.right());
            QVERIFY(&bar == &chart.bars.front() || bar.rect.left() > (&bar - 1)->rect.right() + 1);
            // Only a few most frequent items are marked, each with a mark over its bar.
            const bool marked = summary.mostFrequent.size() <= 5 &&
                                summary.highest > summary.lowest &&
                                std::ranges::any_of(summary.mostFrequent, [&](int most) {
                                    return most >= bar.first && most <= bar.last;
                                });
            QCOMPARE(bar.marked, marked);
        }
        QCOMPARE(next, n + 1);
        QCOMPARE(chart.marks.size(),
                 std::size_t(std::ranges::count(chart.bars, true, &ChartLayout::Bar::marked)));

        // Ticks from 0 to the first round number that holds every count and expected count.
        const double peak =
            std::max({1.0, double(summary.highest),
                      *std::max_element(summary.expected.begin(), summary.expected.end())});
        const int step = chart.ticks[1].count;
        QVERIFY(QList<int>({1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000}).contains(step));
        QVERIFY(chart.top >= peak && chart.top - step < peak);
        for (std::size_t k = 0; k < chart.ticks.size(); ++k) {
            QCOMPARE(chart.ticks[k].count, int(k) * step);
            QCOMPARE(chart.ticks[k].y, y(chart.ticks[k].count));
            QCOMPARE(chart.ticks[k].label.text, QString::number(chart.ticks[k].count));
        }
        QCOMPARE(chart.ticks.back().count, chart.top);
        // Item 1 and the last item named, each under its bar; nothing overlaps or leaves the area.
        QCOMPARE(chart.itemLabels.back().text, QString::number(n));
        for (const auto& label : chart.itemLabels) {
            const QRect& bar =
                chart.bars[std::size_t((label.text.toInt() - 1) / chart.itemsPerBar)].rect;
            QVERIFY2(label.box.left() <= bar.right() + 1 && label.box.right() >= bar.left() - 1,
                     qPrintable(label.text));
        }
        const std::vector<QRect> boxes = TextBoxes(chart);
        for (std::size_t k = 0; k < boxes.size(); ++k) {
            QVERIFY(area.contains(boxes[k]));
            for (std::size_t j = k + 1; j < boxes.size(); ++j) {
                QVERIFY2(!boxes[k].intersects(boxes[j]),
                         qPrintable(QString("%1, %2").arg(k).arg(j)));
            }
        }
        for (const QPoint& tip : chart.marks) {
            const QRect mark(tip - QPoint(4, 6), QSize(9, 7));
            QVERIFY(std::ranges::none_of(boxes, [&](QRect box) { return box.intersects(mark); }));
        }
    }
};

QTEST_GUILESS_MAIN(ChartLayoutTest)
#include "ChartLayoutTest.moc"
