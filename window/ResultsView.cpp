#include "window/ResultsView.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

// Drawn on the window's highlight-coloured surface, in the colours that already read well on it:
// white as the setting labels, the file links' yellow, and black as the focus ring's outer line.
const QColor Ink = Qt::white;                    // text, axis and bars
const QColor MarkedBar = QColor(255, 255, 128);  // the bars of the most frequent items
const QColor Contrast = Qt::black;               // the expected count and the marks over the bars

constexpr int ChartWidth = 320;
constexpr int Gap = 16;

QAccessibleInterface* AccessibleChart(const QString& className, QObject* object) {
    auto* view = qobject_cast<ResultsView*>(object);
    return className == QLatin1String("ResultsView") && view != nullptr
               ? new QAccessibleWidget(view, QAccessible::Chart)
               : nullptr;
}

// One bar: items first..last, their mean count, and whether a most frequent item is among them.
struct Bar {
    int first, last;
    double value;
    bool marked;
};

// 1, 2, 5, 10, 20, 50 ... items to a bar, the fewest that keep to the most bars: ranges that start
// at round item numbers.
int ItemsPerBar(const Summary& summary) {
    const auto n = static_cast<int>(summary.counts.size());
    for (int scale = 1;; scale *= 10) {
        for (const int step : {1, 2, 5}) {
            if (n <= step * scale * ResultsView::MaxBars) {
                return step * scale;
            }
        }
    }
}

std::vector<Bar> Bars(const Summary& summary) {
    const auto n = static_cast<int>(summary.counts.size());
    const int perBar = ItemsPerBar(summary);
    std::vector<Bar> bars;
    for (int first = 1; first <= n; first += perBar) {
        const int last = std::min(first + perBar - 1, n);
        const auto begin = summary.counts.begin() + (first - 1);
        const double sum = std::accumulate(begin, summary.counts.begin() + last, 0.0);
        const bool marked = std::ranges::any_of(
            summary.mostFrequent, [&](int item) { return item >= first && item <= last; });
        bars.push_back({first, last, sum / (last - first + 1), marked});
    }
    return bars;
}

// A whole number as it is, any other with one decimal.
QString Number(double value) {
    return QString::number(value, 'f', value == std::floor(value) ? 0 : 1);
}

// A small triangle pointing down at (x, y).
void DrawMark(QPainter& painter, int x, int y) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Contrast);
    painter.drawPolygon(QPolygon({QPoint(x - 4, y - 6), QPoint(x + 4, y - 6), QPoint(x, y)}));
}

QPen ExpectedPen() {
    QPen pen(Contrast, 2, Qt::DashLine);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

}  // namespace

ResultsView::ResultsView(QWidget* parent) : QWidget(parent) {
    [[maybe_unused]] static const bool accessible =
        (QAccessible::installFactory(AccessibleChart), true);
    // Reachable with Tab, so that a screen reader can read it again.
    setFocusPolicy(Qt::TabFocus);
}

void ResultsView::SetSummary(const Summary& summary) {
    summary_ = summary;
    setAccessibleName(QString::fromStdString(SummaryText(summary_)));
    setAccessibleDescription(QString());
    update();
}

void ResultsView::SetReading(const QString& reading) {
    setAccessibleDescription(reading);
    update();
}

void ResultsView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    PaintChart(painter, QRect(0, 0, ChartWidth, height()));
    PaintText(painter, rect().adjusted(ChartWidth + Gap, 0, 0, 0));
}

void ResultsView::PaintChart(QPainter& painter, QRect area) const {
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.9);
    painter.setFont(small);
    const QFontMetrics metrics(small);
    const int line = metrics.height();
    const auto text = [&](QRect box, int flags, const QString& words) {
        painter.setPen(Ink);
        painter.drawText(box, flags | Qt::TextSingleLine, words);
    };

    const std::vector<Bar> bars = Bars(summary_);
    const int perBar = ItemsPerBar(summary_);
    text(QRect(area.left(), area.top(), area.width(), line), Qt::AlignLeft,
         bars.empty()  ? tr("No items to chart")
         : perBar == 1 ? tr("Picks per item")
                       : tr("Mean picks per item, items in ranges of %1").arg(perBar));
    if (bars.empty()) {
        return;
    }

    // The scale: the tallest bar or the expected count, whichever is higher, fills the plot.
    const int n = int(summary_.counts.size());
    const double expected = double(summary_.picks) / n;
    const double tallest = std::ranges::max(bars, {}, &Bar::value).value;
    const double peak = std::max({tallest, expected, 1.0});
    const int axisWidth = metrics.horizontalAdvance(Number(tallest)) + 6;
    const int left = area.left() + axisWidth;
    const int top = area.top() + line + 8;  // room for the marks over the tallest bars
    const int bottom = area.bottom() - 2 * line - 4;
    const auto y = [&](double value) {
        return bottom - int(std::lround(value / peak * (bottom - top)));
    };
    const int barWidth = std::clamp((area.right() - left) / int(bars.size()), 1, 40);
    const int right = left + barWidth * int(bars.size());

    text(QRect(area.left(), y(tallest) - line / 2, axisWidth - 4, line),
         Qt::AlignRight | Qt::AlignVCenter, Number(tallest));
    if (y(tallest) + line <= bottom) {
        text(QRect(area.left(), bottom - line / 2, axisWidth - 4, line),
             Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("0"));
    }
    for (std::size_t k = 0; k < bars.size(); ++k) {
        const Bar& bar = bars[k];
        const int x = left + int(k) * barWidth;
        const int inner = barWidth >= 4 ? barWidth - 1 : barWidth;
        painter.fillRect(QRect(QPoint(x, y(bar.value)), QPoint(x + inner - 1, bottom)),
                         bar.marked ? MarkedBar : Ink);
        if (bar.marked) {
            DrawMark(painter, x + inner / 2, y(bar.value) - 2);
        }
    }
    painter.setPen(Ink);
    painter.drawLine(left, bottom + 1, right - 1, bottom + 1);
    painter.setPen(ExpectedPen());
    painter.drawLine(left, y(expected), right - 1, y(expected));

    // The item numbers under the bars: the first and last item, and every so many bars between,
    // as many as fit side by side.
    const int labelWidth = metrics.horizontalAdvance(QString::number(n)) + 8;
    int every = 1;
    for (const int step : {1, 2, 5, 10, 20, 25, 50, 100}) {
        every = step;
        if (step * barWidth >= labelWidth) {
            break;
        }
    }
    const int labelTop = bottom + 3;
    int freeFrom = area.left();
    const auto label = [&](int centre, const QString& words) {
        const QRect box(std::min(centre - labelWidth / 2, area.right() + 1 - labelWidth), labelTop,
                        labelWidth, line);
        if (box.left() >= freeFrom && box.right() <= area.right()) {
            text(box, Qt::AlignHCenter, words);
            freeFrom = box.right() + 1;
        }
    };
    // Item k's place: the middle of its bar when every item has one, else the start of its range.
    const auto place = [&](int item) {
        const int bar = (item - 1) / perBar;
        return perBar == 1 ? left + bar * barWidth + barWidth / 2 : left + bar * barWidth;
    };
    const int lastCentre = perBar == 1 ? place(n) : right;
    std::vector<int> labelled;
    if (perBar == 1) {
        labelled.push_back(1);
        for (int item = std::max(every, 2); item < n; item += every) {
            labelled.push_back(item);
        }
    } else {
        for (std::size_t k = 0; k < bars.size(); k += std::size_t(every)) {
            labelled.push_back(bars[k].first);
        }
    }
    for (const int item : labelled) {
        if (place(item) + labelWidth < lastCentre) {
            label(place(item), QString::number(item));
        }
    }
    label(lastCentre, QString::number(n));

    // The legend.
    const int legendTop = area.bottom() - line + 1;
    int x = area.left();
    DrawMark(painter, x + 4, legendTop + line / 2 + 3);
    painter.fillRect(QRect(x + 10, legendTop + 3, 8, line - 6), MarkedBar);
    x += 22;
    const QString most = tr("most frequent");
    text(QRect(x, legendTop, area.width(), line), Qt::AlignLeft, most);
    x += metrics.horizontalAdvance(most) + 14;
    painter.setPen(ExpectedPen());
    painter.drawLine(x, legendTop + line / 2, x + 16, legendTop + line / 2);
    x += 20;
    text(QRect(x, legendTop, area.right() - x, line), Qt::AlignLeft,
         tr("%1 per item if equally likely").arg(Number(std::round(expected * 10) / 10)));
}

void ResultsView::PaintText(QPainter& painter, QRect area) const {
    const QString summary = accessibleName();
    // A figure is not broken across lines from its sign.
    QString reading = accessibleDescription();
    reading.replace(QLatin1String(" < "), QStringLiteral("\u00a0<\u00a0"))
        .replace(QLatin1String(" = "), QStringLiteral("\u00a0=\u00a0"));
    // The largest size, up to the window's own, at which both fit.
    QFont bold = font();
    QFont plain = font();
    bold.setBold(true);
    constexpr int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    int summaryHeight = 0;
    for (qreal points = font().pointSizeF(); points >= 6; points -= 0.5) {
        bold.setPointSizeF(points);
        plain.setPointSizeF(points);
        summaryHeight = QFontMetrics(bold).boundingRect(area, flags, summary).height();
        const int readingHeight = QFontMetrics(plain).boundingRect(area, flags, reading).height();
        if (summaryHeight + 6 + readingHeight <= area.height()) {
            break;
        }
    }
    painter.setPen(Ink);
    painter.setFont(bold);
    painter.drawText(area, flags, summary);
    painter.setFont(plain);
    painter.drawText(area.adjusted(0, summaryHeight + 6, 0, 0), flags, reading);
}
