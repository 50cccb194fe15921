#include "window/results/ChartLayout.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <span>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("ChartLayout", text);
}

// 1, 2, 5, 10, 20, 50 ...: the k-th round number from 1.
long long Round(int k) {
    long long value = 1;
    for (int step = 0; step < k / 3; ++step) {
        value *= 10;
    }
    return value * (k % 3 == 0 ? 1 : k % 3 == 1 ? 2 : 5);
}

// A count or a mean count as it reads best: whole from 100 up, else three significant figures.
QString Figure(double value) {
    return value >= 100 ? QString::number(std::lround(value)) : QString::number(value, 'g', 3);
}

QString ItemTitle() {
    return Tr("Item");
}

class Builder {
public:
    Builder(const Summary& summary, const FairRange& range, QRect area,
            const ChartLayout::Metrics& metrics)
        : s_(summary),
          range_(range),
          area_(area),
          m_(metrics),
          n_(static_cast<int>(summary.counts.size())) {}

    // Lays the chart out with room for this many lines of legend; false when the legend needs more.
    bool Build(int legendLines, ChartLayout& chart) {
        chart = {};
        const int line = m_.line;
        const int markRoom = std::max(8, line / 2 + 2);
        const int plotTop = area_.top() + legendLines * line + markRoom;
        const int itemRow = area_.bottom() + 1 - line;
        const int plotBottom = itemRow - line / 2 - 4;
        const int height = std::max(1, plotBottom - plotTop + 1);
        LayOutTicks(chart, height);
        int tickWidth = 0;
        for (const ChartLayout::Tick& tick : chart.ticks) {
            tickWidth = std::max(tickWidth, m_.width(tick.label.text));
        }
        // Wide enough for the x axis's title below it, too.
        const int left = area_.left() + std::max(line + 4 + tickWidth, m_.width(ItemTitle())) + 8;
        chart.plot =
            QRect(QPoint(left, plotTop), QPoint(std::max(left, area_.right()), plotBottom));
        for (ChartLayout::Tick& tick : chart.ticks) {
            tick.y = chart.Y(tick.count);
            tick.label.box = QRect(left - 4 - tickWidth, tick.y - line / 2, tickWidth, line);
        }
        LayOutBars(chart);
        LayOutTitles(chart, itemRow);
        LayOutItemLabels(chart, itemRow);
        return LayOutLegend(chart, legendLines);
    }

private:
    // Round steps, as few as keep a line and a little between the labels, and at most eight.
    void LayOutTicks(ChartLayout& chart, int height) const {
        double peak = std::max(1, s_.highest);
        for (const double expected : s_.expected) {
            peak = std::max(peak, expected);
        }
        for (const int highest : range_.highest) {
            peak = std::max(peak, static_cast<double>(highest));
        }
        const int most = std::clamp(height / (m_.line + 6), 1, 8);
        int k = 0;
        while (std::ceil(peak / static_cast<double>(Round(k))) > most) {
            ++k;
        }
        const long long step = Round(k);
        const auto intervals = static_cast<long long>(std::ceil(peak / static_cast<double>(step)));
        chart.top = static_cast<int>(intervals * step);
        for (long long tick = 0; tick <= intervals; ++tick) {
            const int count = static_cast<int>(tick * step);
            chart.ticks.push_back({count, 0, {{}, QString::number(count)}});
        }
    }

    void LayOutBars(ChartLayout& chart) {
        const int width = chart.plot.width();
        int k = 0;
        while (Round(k) < n_ && (n_ + Round(k) - 1) / Round(k) * ChartLayout::MinPitch > width) {
            ++k;
        }
        chart.itemsPerBar = static_cast<int>(Round(k));
        const int count = (n_ + chart.itemsPerBar - 1) / chart.itemsPerBar;
        pitch_ = static_cast<double>(width) / count;
        const int gap = pitch_ < ChartLayout::MinPitch ? 0 : std::max(1, int(pitch_) / 5);
        const int barWidth = std::clamp(int(pitch_) - gap, 1, ChartLayout::MaxBarWidth);
        for (int bar = 0; bar < count; ++bar) {
            ChartLayout::Bar b;
            b.first = bar * chart.itemsPerBar + 1;
            b.last = std::min(n_, b.first + chart.itemsPerBar - 1);
            const auto first = static_cast<std::size_t>(b.first - 1);
            const auto end = static_cast<std::size_t>(b.last);
            const std::span counts = std::span(s_.counts).subspan(first, end - first);
            const std::span expected = std::span(s_.expected).subspan(first, end - first);
            b.lowest = std::ranges::min(counts);
            b.highest = std::ranges::max(counts);
            b.mean = std::accumulate(counts.begin(), counts.end(), 0.0) /
                     static_cast<double>(counts.size());
            const int x = static_cast<int>(std::lround(Centre(chart, bar) - barWidth / 2.0));
            b.rect =
                QRect(QPoint(x, chart.Y(b.mean)), QPoint(x + barWidth - 1, chart.plot.bottom()));
            const int centre = x + (barWidth - 1) / 2;
            if (chart.itemsPerBar > 1) {
                b.spread = QLine(centre, chart.Y(b.highest), centre,
                                 std::min(chart.Y(b.lowest), chart.plot.bottom()));
            }
            const int from = chart.plot.left() + static_cast<int>(std::lround(bar * pitch_));
            const int to =
                chart.plot.left() + static_cast<int>(std::lround((bar + 1) * pitch_)) - 1;
            if (!range_.highest.empty()) {
                const std::span lowest = std::span(range_.lowest).subspan(first, end - first);
                const std::span highest = std::span(range_.highest).subspan(first, end - first);
                for (std::size_t i = 0; i < counts.size(); ++i) {
                    b.unusual = b.unusual || counts[i] < lowest[i] || counts[i] > highest[i];
                }
                const QRect band(
                    QPoint(from, chart.Y(std::ranges::max(highest))),
                    QPoint(to, std::min(chart.Y(std::ranges::min(lowest)), chart.plot.bottom())));
                Extend(chart.band, band);
            }
            if (b.unusual) {
                chart.marks.emplace_back(centre, chart.Y(b.highest) - 2);
            }
            chart.bars.push_back(b);
            // The mean of its items' expected counts, which differ only under a fractional count.
            const int y = chart.Y(std::accumulate(expected.begin(), expected.end(), 0.0) /
                                  static_cast<double>(expected.size()));
            if (!chart.expected.empty() && chart.expected.back().y1() == y) {
                chart.expected.back().setP2(QPoint(to, y));
            } else {
                chart.expected.emplace_back(from, y, to, y);
            }
        }
    }

    // Adds the band over one bar's room, as a wider rectangle where it goes on at the same height.
    static void Extend(std::vector<QRect>& band, QRect room) {
        if (!band.empty() && band.back().top() == room.top() &&
            band.back().bottom() == room.bottom()) {
            band.back().setRight(room.right());
        } else {
            band.push_back(room);
        }
    }

    double Centre(const ChartLayout& chart, int bar) const {
        return chart.plot.left() + (bar + 0.5) * pitch_;
    }

    void LayOutTitles(ChartLayout& chart, int itemRow) const {
        const QString picks = Tr("Picks");
        const int length = std::min(m_.width(picks), chart.plot.height());
        chart.countTitle = {
            QRect(area_.left(), chart.plot.center().y() - length / 2, m_.line, length), picks};
        chart.itemTitle = {QRect(area_.left(), itemRow, m_.width(ItemTitle()), m_.line),
                           ItemTitle()};
    }

    // Item 1, the last item, and round item numbers between, as many as fit side by side.
    void LayOutItemLabels(ChartLayout& chart, int itemRow) const {
        const int widest = m_.width(QString::number(n_)) + 8;
        int k = 0;
        while (Round(k) < chart.itemsPerBar ||
               static_cast<double>(Round(k)) * pitch_ / chart.itemsPerBar < widest) {
            ++k;
        }
        const long long step = Round(k);
        std::vector<int> items = {1};
        for (long long item = step; item < n_; item += step) {
            items.push_back(static_cast<int>(item));
        }
        if (n_ > 1) {
            items.push_back(n_);
        }
        int freeFrom = chart.itemTitle.box.right() + 6;
        for (const int item : items) {
            const QString text = QString::number(item);
            const int width = m_.width(text);
            const int centre =
                static_cast<int>(std::lround(Centre(chart, (item - 1) / chart.itemsPerBar)));
            const int left =
                std::clamp(centre - width / 2, area_.left(), area_.right() + 1 - width);
            const QRect box(left, itemRow, width, m_.line);
            // The last item always has its number, in place of any it would overlap.
            while (item == n_ && !chart.itemLabels.empty() && box.left() < freeFrom) {
                chart.itemLabels.pop_back();
                freeFrom = chart.itemLabels.empty() ? chart.itemTitle.box.right() + 6
                                                    : chart.itemLabels.back().box.right() + 6;
            }
            if (box.left() >= freeFrom) {
                chart.itemLabels.push_back({box, text});
                freeFrom = box.right() + 6;
            }
        }
    }

    // The legend in rows across the top, an entry's words wrapped where it is wider than the
    // chart; false when it needs more than `lines` lines.
    bool LayOutLegend(ChartLayout& chart, int lines) const {
        using Key = ChartLayout::Key;
        std::vector<std::pair<Key, QString>> entries;
        if (chart.itemsPerBar > 1) {
            entries.emplace_back(Key::Mean,
                                 Tr("mean of each range of %1 items").arg(chart.itemsPerBar));
            entries.emplace_back(Key::Spread, Tr("lowest to highest count in it"));
        }
        if (!chart.band.empty()) {
            entries.emplace_back(
                Key::Band, Tr("fair band: all counts of a fair run fall in it %1 times in 100")
                               .arg(std::lround(FairRangeLevel * 100)));
        }
        const bool even = std::ranges::adjacent_find(s_.expected, std::ranges::not_equal_to{}) ==
                          s_.expected.end();
        entries.emplace_back(
            Key::Expected,
            even ? Tr("expected if fair: %1 per item").arg(Figure(s_.expected.front()))
                 : Tr("expected if fair"));
        if (!chart.marks.empty()) {
            entries.emplace_back(Key::Unusual, Tr("unusual: outside the band"));
        }
        constexpr int swatch = 14;
        int x = area_.left();
        int top = 0;     // the first line of the current row
        int height = 1;  // the current row's lines
        for (const auto& [key, text] : entries) {
            const QStringList wrapped = Wrapped(text, area_.width() - swatch - 4);
            int width = 0;
            for (const QString& part : wrapped) {
                width = std::max(width, m_.width(part));
            }
            if (x > area_.left() && x + swatch + 4 + width > area_.right() + 1) {
                top += height;
                height = 1;
                x = area_.left();
            }
            const auto parts = static_cast<int>(wrapped.size());
            height = std::max(height, parts);
            const int y = area_.top() + top * m_.line;
            chart.legend.push_back({key,
                                    QRect(x, y + (m_.line - 10) / 2, swatch, 10),
                                    {QRect(x + swatch + 4, y, width, parts * m_.line),
                                     wrapped.join(QLatin1Char('\n'))}});
            x += swatch + 4 + width + 16;
        }
        return top + height <= lines;
    }

    // The words of the text in lines at most `width` wide, but for a word wider on its own.
    QStringList Wrapped(const QString& text, int width) const {
        QStringList lines;
        for (const QString& word : text.split(QLatin1Char(' '))) {
            if (!lines.isEmpty() && m_.width(lines.back() + QLatin1Char(' ') + word) <= width) {
                lines.back() += QLatin1Char(' ') + word;
            } else {
                lines << word;
            }
        }
        return lines;
    }

    const Summary& s_;
    const FairRange& range_;
    QRect area_;
    const ChartLayout::Metrics& m_;
    int n_;
    double pitch_ = 1;  // from one bar's start to the next one's
};

}  // namespace

int ChartLayout::Y(double count) const {
    return plot.bottom() + 1 - static_cast<int>(std::lround(count / top * plot.height()));
}

ChartLayout LayOutChart(const Summary& summary, const FairRange& range, QRect area,
                        const ChartLayout::Metrics& metrics) {
    ChartLayout chart;
    if (summary.counts.empty()) {
        chart.empty = Tr("No items to chart");
        return chart;
    }
    Builder builder(summary, range, area, metrics);
    // From one line up until the legend fits in the lines it is given. What the legend needs can
    // change a little with them (a shorter plot, other ticks, other ranges), but it never needs more
    // than a line for each word of it, so this ends.
    for (int lines = 1; !builder.Build(lines, chart); ++lines) {
    }
    // Bars a few lines high at least, or none: a large font in a small window leaves too little.
    if (chart.plot.height() < ChartLayout::MinPlotLines * metrics.line) {
        chart = {};
        chart.empty = Tr("Too little room for the chart: a larger window shows it");
    }
    return chart;
}
