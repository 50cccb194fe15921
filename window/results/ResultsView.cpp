#include "window/results/ResultsView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPolygon>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <algorithm>

#include "window/AccessibleRoles.h"
#include "window/results/ItemTable.h"

const QColor ResultsView::Background = Qt::white;
const QColor ResultsView::Ink = QColor(0x1a, 0x1a, 0x1a);

namespace {

// Each at least 3:1 against the white: a bar, the part of a range's bar above its lowest count, and
// the bars of the most frequent items. Blue against orange also reads with red-green blindness.
const QColor BarColour = QColor(0x1d, 0x4b, 0x6e);
const QColor HighestColour = QColor(0x5b, 0x93, 0xc4);
const QColor MarkedColour = QColor(0xc2, 0x41, 0x0c);
const QColor GridColour = QColor(0xd9, 0xd9, 0xd9);
// White text on it for a selected row: 9.2:1.
const QColor SelectionColour = BarColour;

constexpr int Gap = 8;      // between the areas, and from them to what they keep clear
constexpr int Padding = 8;  // inside an area, around its words or its chart
constexpr int TableWidth = 300;

// A small triangle pointing down at tip.
void DrawMark(QPainter& painter, QPoint tip) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(ResultsView::Ink);
    painter.drawPolygon(QPolygon({tip + QPoint(-4, -6), tip + QPoint(4, -6), tip}));
}

// Black dashes with white between them, seen over the bars and between them alike.
void DrawExpected(QPainter& painter, QLine line) {
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(line);
    QPen dashes(Qt::black, 2);
    dashes.setDashPattern({3, 2});
    dashes.setCapStyle(Qt::FlatCap);
    painter.setPen(dashes);
    painter.drawLine(line);
}

void DrawLabel(QPainter& painter, const ChartLayout::Label& label, int flags) {
    painter.setPen(ResultsView::Ink);
    painter.drawText(label.box, flags | Qt::TextSingleLine | Qt::TextDontClip, label.text);
}

// A table of the items, sorted by value when a column's title is clicked, with rows one line high.
QTableView* NewTable(ItemTable* items, QWidget* parent) {
    auto* sorted = new QSortFilterProxyModel(parent);
    sorted->setSourceModel(items);
    sorted->setSortRole(ItemTable::SortRole);
    auto* table = new QTableView(parent);
    table->setObjectName(QStringLiteral("ItemTable1"));
    table->setAccessibleName(ResultsView::tr("Picks of each item"));
    table->setModel(sorted);
    table->setSortingEnabled(true);
    table->sortByColumn(ItemTable::Item, Qt::AscendingOrder);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);
    // Tab leaves the table, as it leaves every other control; the arrow keys move in it.
    table->setTabKeyNavigation(false);
    return table;
}

}  // namespace

ResultsView::ResultsView(QWidget* parent) : QWidget(parent) {
    ShowAsChart(this);
    // Its words are English sentences and its items run left to right, whatever the window's
    // layout direction.
    setLayoutDirection(Qt::LeftToRight);
    // Reachable with Tab, so that a screen reader can read it again.
    setFocusPolicy(Qt::TabFocus);
    QPalette colours = palette();
    for (const auto role : {QPalette::Window, QPalette::Base}) {
        colours.setColor(role, Background);
    }
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        colours.setColor(role, Ink);
    }
    colours.setColor(QPalette::AlternateBase, QColor(0xf2, 0xf2, 0xf2));
    colours.setColor(QPalette::Highlight, SelectionColour);
    colours.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(colours);

    items_ = new ItemTable(this);
    table_ = NewTable(items_, this);
    new QShortcut(QKeySequence::Copy, this,
                  [this] { QGuiApplication::clipboard()->setText(CopiedText()); });
}

void ResultsView::SetSummary(const Summary& summary) {
    items_->SetSummary(summary);
    // The numbers' columns as wide as their widest number or their title.
    const auto fit = [this](int column, int widest) {
        const QString title = items_->headerData(column, Qt::Horizontal).toString();
        table_->setColumnWidth(column,
                               std::max(fontMetrics().horizontalAdvance(title),
                                        fontMetrics().horizontalAdvance(QString::number(widest))) +
                                   24);
    };
    fit(ItemTable::Item, static_cast<int>(summary.counts.size()));
    fit(ItemTable::Count, summary.highest);
    setAccessibleName(QString::fromStdString(SummaryText(summary)));
    setAccessibleDescription(tr("The fairness reading is being worked out."));
    update();
}

void ResultsView::SetReading(const QString& reading) {
    setAccessibleDescription(reading);
    update();
}

void ResultsView::KeepClear(QRect area) {
    keepClear_ = area;
    Place();
}

QString ResultsView::CopiedText() const {
    return accessibleName() + QLatin1Char('\n') + accessibleDescription() + QLatin1Char('\n') +
           items_->CountsText();
}

void ResultsView::resizeEvent(QResizeEvent* /*event*/) {
    Place();
}

// The words above what is kept clear, the table beside both, the chart below across the width.
// Without anything to keep clear, the words and the table take the top two fifths.
void ResultsView::Place() {
    const int clearTop = keepClear_.isEmpty() ? height() * 2 / 5 : keepClear_.top();
    const int clearBottom = keepClear_.isEmpty() ? clearTop - 1 : keepClear_.bottom();
    const int clearRight = keepClear_.isEmpty() ? width() / 2 : keepClear_.right();
    const int tableLeft = std::max(clearRight + Gap + 1, width() - TableWidth);
    table_->setGeometry(QRect(QPoint(tableLeft, 0), QPoint(width() - 1, clearBottom)));
    textArea_ = QRect(QPoint(0, 0), QPoint(tableLeft - Gap - 1, clearTop - Gap - 1));
    chartArea_ = QRect(QPoint(0, clearBottom + Gap + 1), QPoint(width() - 1, height() - 1));
    update();
}

QFont ResultsView::ChartFont() const {
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.9);
    return small;
}

ChartLayout ResultsView::Chart() const {
    const QFontMetrics metrics(ChartFont());
    return LayOutChart(items_->GetSummary(),
                       chartArea_.adjusted(Padding, Padding, -Padding, -Padding),
                       {[metrics](const QString& text) { return metrics.horizontalAdvance(text); },
                        metrics.height()});
}

void ResultsView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // A painter starts in the application's direction, not the widget's.
    painter.setLayoutDirection(layoutDirection());
    painter.fillRect(textArea_, Background);
    painter.fillRect(chartArea_, Background);
    PaintText(painter, textArea_.adjusted(Padding, Padding, -Padding, -Padding));
    painter.setFont(ChartFont());
    PaintChart(painter, Chart());
}

void ResultsView::PaintChart(QPainter& painter, const ChartLayout& chart) const {
    if (!chart.empty.isEmpty()) {
        painter.setPen(Ink);
        painter.drawText(chartArea_.adjusted(Padding, Padding, -Padding, -Padding),
                         Qt::AlignLeft | Qt::AlignTop, chart.empty);
        return;
    }
    const QRect& plot = chart.plot;
    painter.setPen(GridColour);
    for (const ChartLayout::Tick& tick : chart.ticks) {
        if (tick.count > 0) {
            painter.drawLine(plot.left(), tick.y, plot.right(), tick.y);
        }
    }
    for (const ChartLayout::Bar& bar : chart.bars) {
        if (chart.itemsPerBar == 1) {
            painter.fillRect(bar.rect, bar.marked ? MarkedColour : BarColour);
        } else {
            painter.fillRect(bar.rect, bar.marked ? MarkedColour : HighestColour);
            painter.fillRect(bar.lowestRect, BarColour);
        }
    }
    for (const QLine& line : chart.expected) {
        DrawExpected(painter, line);
    }
    painter.setPen(Ink);
    painter.drawLine(plot.left(), plot.bottom() + 1, plot.right(), plot.bottom() + 1);
    for (const QPoint& tip : chart.marks) {
        DrawMark(painter, tip);
    }
    for (const ChartLayout::Tick& tick : chart.ticks) {
        DrawLabel(painter, tick.label, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (const ChartLayout::Label& label : chart.itemLabels) {
        DrawLabel(painter, label, Qt::AlignHCenter | Qt::AlignTop);
    }
    DrawLabel(painter, chart.itemTitle, Qt::AlignLeft | Qt::AlignTop);
    painter.save();
    const QRect turned = chart.countTitle.box;
    painter.translate(turned.bottomLeft() + QPoint(0, 1));
    painter.rotate(-90);
    DrawLabel(painter, {QRect(0, 0, turned.height(), turned.width()), chart.countTitle.text},
              Qt::AlignHCenter | Qt::AlignTop);
    painter.restore();

    for (const ChartLayout::LegendEntry& entry : chart.legend) {
        const QRect& swatch = entry.swatch;
        switch (entry.key) {
            case ChartLayout::Key::Lowest:
                painter.fillRect(swatch, BarColour);
                break;
            case ChartLayout::Key::Highest:
                painter.fillRect(swatch, HighestColour);
                break;
            case ChartLayout::Key::Expected:
                DrawExpected(painter, QLine(swatch.left(), swatch.center().y(), swatch.right(),
                                            swatch.center().y()));
                break;
            case ChartLayout::Key::MostFrequent:
                painter.fillRect(swatch.adjusted(8, 2, 0, 0), MarkedColour);
                DrawMark(painter, QPoint(swatch.left() + 4, swatch.bottom()));
                break;
        }
        DrawLabel(painter, entry.label, Qt::AlignLeft | Qt::AlignVCenter);
    }
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
