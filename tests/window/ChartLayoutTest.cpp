// The results chart's geometry, checked against the counts it is drawn from, and the fair band
// against seeded fair runs and runs with one favoured item.

#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>

#include "bench/SimulatedPicks.h"
#include "finish/FairRange.h"
#include "picker/DrawLaw.h"
#include "picker/Picker.h"
#include "window/results/ChartLayout.h"

namespace {

// A font of 7 pixels a character and 14 a line.
const ChartLayout::Metrics Fixed = {[](const QString& text) { return 7 * int(text.size()); }, 14};

struct Run {
    Summary summary;
    FairRange range;
};

// Draws of the outcome count's law, but for `item` (if any) drawn `factor` times as often,
// recorded as a pointer that moves so records them, and summed as the window sums them.
Run Draw(const char* outcomes, int picks, int item, double factor, unsigned seed,
         Movement movement = Independent) {
    auto picker = std::make_unique<Picker>();
    std::vector<double> law = LawOfDraw(outcomes).chances;
    if (item > 0 && item <= int(law.size())) {
        law[std::size_t(item - 1)] *= factor;
    }
    for (const Int16 pick :
         SimulatedPicks(law.empty() ? std::vector{1.0} : law, seed).Run(picks, movement)) {
        picker->Picks[++picker->PickCount] = pick;
    }
    TallyPicks(*picker, outcomes);
    Run run{Summarize(*picker, outcomes), {}};
    run.range = FairRangeOf(picker->Picks.Slots(1, picker->PickCount), run.summary);
    return run;
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

// The first of the rectangles whose columns hold x.
const QRect* At(const std::vector<QRect>& rects, int x) {
    const auto found = std::ranges::find_if(
        rects, [x](QRect rect) { return rect.left() <= x && x <= rect.right(); });
    return found == rects.end() ? nullptr : &*found;
}

}  // namespace

class ChartLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void chart_data() {
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<int>("picks");
        QTest::addColumn<int>("item");  // an item drawn `factor` times as often as the others
        QTest::addColumn<double>("factor");
        QTest::addColumn<QSize>("size");
        const QSize small(655, 127), large(1168, 531);  // in a window of 687x497 and 1200x900
        for (const int n : {2, 20, 100, 101, 1000, 4000, 20000}) {
            for (const int picks : {100, 20000}) {
                for (const QSize size : {small, large}) {
                    QTest::addRow("%d items, %d picks, %dx%d", n, picks, size.width(),
                                  size.height())
                        << QString::number(n) << picks << 1 << 1.0 << size;
                }
            }
        }
        QTest::newRow("item 894 at 9 times its share") << "1000" << 20000 << 894 << 9.0 << small;
        QTest::newRow("item 3 at a twentieth of its share") << "50" << 5000 << 3 << 0.05 << large;
        QTest::newRow("5.6 outcomes") << "5.6" << 1000 << 1 << 1.0 << small;
        // The last range holds item 1001 alone, drawn 0.6 times as often as each other item.
        QTest::newRow("1000.6 outcomes") << "1000.6" << 20000 << 1 << 1.0 << small;
        QTest::newRow("no picks") << "7" << 0 << 1 << 1.0 << small;
        QTest::newRow("no items") << "0" << 10 << 1 << 1.0 << QSize(655, 90);
        QTest::newRow("too little room") << "20" << 100 << 1 << 1.0 << QSize(655, 90);
        QTest::newRow("a legend in rows") << "50" << 500 << 3 << 20.0 << QSize(260, 200);
    }

    // Each bar stands for its items' counts on a scale from 0 with round ticks: one item's count,
    // or a range's mean with a mark from its lowest count to its highest; the band and the expected
    // line at each bar are its items'; what lies outside the band is marked; no two words or marks
    // overlap.
    void chart() {
        QFETCH(QString, outcomes);
        QFETCH(int, picks);
        QFETCH(int, item);
        QFETCH(double, factor);
        QFETCH(QSize, size);
        const auto [summary, range] = Draw(outcomes.toLatin1(), picks, item, factor, 1);
        const QRect area(QPoint(20, 30), size);
        const ChartLayout chart = LayOutChart(summary, range, area, Fixed);
        if (!chart.empty.isEmpty()) {
            QCOMPARE(chart.empty, summary.counts.empty()
                                      ? "No items to chart"
                                      : "Too little room for the chart: a larger window shows it");
            QVERIFY(chart.bars.empty() && chart.ticks.empty() && size.height() < 127);
            return;
        }
        const QRect& plot = chart.plot;
        QVERIFY(area.contains(plot) && plot.height() >= 3 * Fixed.line);
        const auto y = [&](double count) {
            return plot.bottom() + 1 - int(std::lround(count / chart.top * plot.height()));
        };

        // The items in order, each in one bar of a round number of items.
        const int n = int(summary.counts.size());
        QVERIFY(QList<int>({1, 2, 5, 10, 20, 50, 100, 200, 500}).contains(chart.itemsPerBar));
        QVERIFY(int(chart.bars.size()) * ChartLayout::MinPitch <= plot.width());
        QCOMPARE(range.highest.empty(), picks == 0);
        std::vector<QRect> expected;
        for (const QLine& line : chart.expected) {
            expected.emplace_back(line.p1(), line.p2());
        }
        int next = 1;
        for (const ChartLayout::Bar& bar : chart.bars) {
            QCOMPARE(bar.first, next);
            QCOMPARE(bar.last, std::min(n, next + chart.itemsPerBar - 1));
            next = bar.last + 1;
            const auto from = std::size_t(bar.first - 1), to = std::size_t(bar.last);
            const auto sum = [&](const auto& values) {
                return std::accumulate(values.begin() + from, values.begin() + to, 0.0);
            };
            const auto [lowest, highest] =
                std::minmax_element(summary.counts.begin() + from, summary.counts.begin() + to);
            QCOMPARE(bar.lowest, *lowest);
            QCOMPARE(bar.highest, *highest);
            QCOMPARE(bar.rect.top(), y(sum(summary.counts) / double(to - from)));
            QCOMPARE(bar.rect.bottom(), plot.bottom());
            QCOMPARE(bar.rect.width(), chart.bars.front().rect.width());
            QVERIFY(bar.rect.left() >= plot.left() && bar.rect.right() <= plot.right());
            QVERIFY(&bar == &chart.bars.front() || bar.rect.left() > (&bar - 1)->rect.right() + 1);
            const int x = bar.rect.center().x();
            if (chart.itemsPerBar == 1) {
                QVERIFY(bar.spread.isNull());
            } else {
                QCOMPARE(bar.spread, QLine(x, y(*highest), x, std::min(y(*lowest), plot.bottom())));
            }
            // The line the bar is read against: its items' mean expected count.
            QVERIFY(At(expected, x) != nullptr);
            QCOMPARE(At(expected, x)->top(), y(sum(summary.expected) / double(to - from)));
            bool unusual = false;
            if (!range.highest.empty()) {
                const QRect* band = At(chart.band, x);
                QVERIFY(band != nullptr);
                QCOMPARE(band->top(), y(*std::max_element(range.highest.begin() + from,
                                                          range.highest.begin() + to)));
                QCOMPARE(band->bottom(),
                         std::min(plot.bottom(), y(*std::min_element(range.lowest.begin() + from,
                                                                     range.lowest.begin() + to))));
                for (std::size_t k = from; k < to; ++k) {
                    unusual = unusual || summary.counts[k] < range.lowest[k] ||
                              summary.counts[k] > range.highest[k];
                }
            }
            QCOMPARE(bar.unusual, unusual);
            QCOMPARE(std::ranges::count(chart.marks, QPoint(x, y(*highest) - 2)), long(unusual));
        }
        QCOMPARE(next, n + 1);
        QCOMPARE(chart.marks.size(),
                 std::size_t(std::ranges::count(chart.bars, true, &ChartLayout::Bar::unusual)));
        QCOMPARE(chart.band.empty(), range.highest.empty());

        // Ticks from 0 to the first round number that holds every count, expected count and band.
        const double peak =
            std::max({1.0, double(summary.highest),
                      *std::max_element(summary.expected.begin(), summary.expected.end()),
                      range.highest.empty() ? 0.0 : *std::ranges::max_element(range.highest)});
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

    void fairBand_data() {
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("favoured");  // drawn `factor` times as often as each other item
        QTest::addColumn<double>("factor");
        QTest::addColumn<double>("rests");  // 0: a draw every beat; else rests of 5 beats on average
        QTest::addColumn<int>("least");     // seeded runs of 100 that mark it
        QTest::addColumn<int>("most");      // seeded runs of 100 that mark any other bar
        for (const int n : {1000, 4000, 20000}) {
            QTest::addRow("%d items, fair", n) << n << 0 << 1.0 << 0.0 << 0 << 5;
            QTest::addRow("%d items, fair, resting", n) << n << 0 << 1.0 << 0.5 << 0 << 5;
            QTest::addRow("%d items, one at 20 times its share", n)
                << n << n / 3 << 20.0 << 0.0 << 95 << 5;
        }
        // A band no wider than independent draws need: 10244 picks where 10000 are expected (the
        // other item then as far below).
        QTest::newRow("2 items, one at 1.05 times its share") << 2 << 1 << 1.05 << 0.0 << 50 << 100;
    }

    // Out of 100 seeded runs of 20000 picks, at most 5 fair ones show anything unusual, and one
    // item at 20 times its share is marked in at least 95.
    void fairBand() {
        QFETCH(int, items);
        QFETCH(int, favoured);
        QFETCH(double, factor);
        QFETCH(double, rests);
        QFETCH(int, least);
        QFETCH(int, most);
        int marked = 0, others = 0;
        for (unsigned seed = 1; seed <= 100; ++seed) {
            const Run run =
                Draw(QByteArray::number(items), 20000, favoured, factor, seed,
                     rests > 0 ? Geometric(5) : Independent);
            bool favouredMarked = false, otherMarked = false;
            for (const auto& bar :
                 LayOutChart(run.summary, run.range, QRect(0, 0, 1168, 531), Fixed).bars) {
                (bar.first <= favoured && favoured <= bar.last ? favouredMarked : otherMarked) |=
                    bar.unusual;
            }
            marked += int(favouredMarked);
            others += int(otherMarked);
        }
        const QString counted =
            QString("marked in %1 runs, another bar in %2").arg(marked).arg(others);
        qInfo("%s", qPrintable(counted));
        QVERIFY2(marked >= least && others <= most, qPrintable(counted));
    }
};

QTEST_GUILESS_MAIN(ChartLayoutTest)
#include "ChartLayoutTest.moc"
