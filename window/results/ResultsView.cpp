#include "window/results/ResultsView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPolygon>
#include <QScrollArea>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "window/AccessibleRoles.h"
#include "window/results/ItemTable.h"
#include "window/results/ItemTableView.h"

const QColor ResultsView::Background = Qt::white;
const QColor ResultsView::Ink = QColor(0x1a, 0x1a, 0x1a);

namespace {

// Each at least 3:1 against the white: a bar of one item, a bar of a range's mean, the spread of
// its counts, the fair band's edges, and what is unusual. Blue against orange also reads
// with red-green blindness; the band's fill only backs its edges.
const QColor BarColour = QColor(0x1d, 0x4b, 0x6e);
const QColor MeanColour = QColor(0x5b, 0x93, 0xc4);
const QColor BandColour = QColor(0xe2, 0xef, 0xda);
const QColor BandEdgeColour = QColor(0x3d, 0x7a, 0x2a);
const QColor UnusualColour = QColor(0xc2, 0x41, 0x0c);
const QColor SpreadColour = QColor(0x76, 0x76, 0x76);
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

// A range's thin mark from its highest count down to its lowest, with short ends where the bar is
// wide enough to show them.
void DrawSpread(QPainter& painter, QLine spread, int barWidth, const QColor& colour, int width) {
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(spread);
    if (barWidth >= 8) {
        const int reach = barWidth / 4;
        for (const int y : {spread.y1(), spread.y2()}) {
            painter.drawLine(spread.x1() - reach, y, spread.x1() + reach, y);
        }
    }
}

// The fair band's fill, and its edges over the bars.
void DrawBand(QPainter& painter, QRect band, bool edges) {
    if (!edges) {
        painter.fillRect(band, BandColour);
        return;
    }
    painter.setPen(BandEdgeColour);
    painter.drawLine(band.topLeft(), band.topRight());
    painter.drawLine(band.bottomLeft(), band.bottomRight());
}

void DrawLabel(QPainter& painter, const ChartLayout::Label& label, int flags) {
    painter.setPen(ResultsView::Ink);
    painter.drawText(label.box, flags | Qt::TextDontClip, label.text);
}

// Words that wrap, at the view's font, which the user can select and copy with the mouse or the
// keyboard.
QLabel* Words(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Which by itself takes the focus only from a click; Tab reaches it too.
    label->setFocusPolicy(Qt::StrongFocus);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// A figure is not broken across lines from its sign.
QString Unbroken(const std::string& text) {
    return QString::fromStdString(text)
        .replace(QLatin1String(" < "), QStringLiteral("\u00a0<\u00a0"))
        .replace(QLatin1String(" = "), QStringLiteral("\u00a0=\u00a0"));
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

    // The words, in reading order; the panel scrolls when they outgrow it.
    words_ = new QScrollArea(this);
    words_->setFrameShape(QFrame::NoFrame);
    words_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    words_->setWidgetResizable(true);
    words_->setFocusPolicy(Qt::NoFocus);
    auto* page = new QWidget;
    auto* lines = new QVBoxLayout(page);
    lines->setContentsMargins(Padding, Padding, Padding, Padding);
    verdict_ = Words(page, "Verdict");
    // Set apart by weight and a rule before it, not by colour alone.
    QFont bold;
    bold.setBold(true);
    verdict_->setFont(bold);
    auto* rule = new QWidget(page);
    rule->setFixedWidth(4);
    rule->setAutoFillBackground(true);
    QPalette ink = rule->palette();
    ink.setColor(QPalette::Window, Ink);
    rule->setPalette(ink);
    auto* headline = new QHBoxLayout;
    headline->setSpacing(Padding);
    headline->addWidget(rule);
    headline->addWidget(verdict_);
    basis_ = Words(page, "Basis");
    summary_ = Words(page, "Summary");
    more_ = new QToolButton(page);
    more_->setObjectName(QStringLiteral("Details"));
    more_->setText(tr("Details"));
    more_->setCheckable(true);
    more_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    more_->setArrowType(Qt::RightArrow);
    more_->setAutoRaise(true);
    details_ = Words(page, "DetailsText");
    details_->hide();
    connect(more_, &QToolButton::toggled, this, [this](bool shown) {
        more_->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
        details_->setVisible(shown);
    });
    lines->addLayout(headline);
    lines->addWidget(basis_);
    lines->addWidget(summary_);
    lines->addWidget(more_, 0, Qt::AlignLeft);
    lines->addWidget(details_);
    lines->addStretch();
    words_->setWidget(page);

    items_ = new ItemTable(this);
    table_ = new ItemTableView(items_, this);
    new QShortcut(QKeySequence::Copy, this,
                  [this] { QGuiApplication::clipboard()->setText(CopiedText()); });
    SetReading({});
}

QTableView* ResultsView::Table() const {
    return table_;
}

QList<QWidget*> ResultsView::TabStops() const {
    return {verdict_, basis_, summary_, more_, details_, table_};
}

void ResultsView::SetSummary(const Summary& summary, const FairRange& range) {
    items_->SetSummary(summary);
    range_ = range;
    summary_->setText(QString::fromStdString(SummaryText(summary)));
    SetReading({});
    Place();
}

// Without words the reading is still being worked out.
void ResultsView::SetReading(const ReadingWords& reading) {
    const bool pending = reading.verdict.empty();
    const QString verdict = pending ? tr("The fairness reading is being worked out.")
                                    : QString::fromStdString(reading.verdict);
    verdict_->setText(pending ? verdict : Unbroken(reading.verdict));
    basis_->setText(Unbroken(reading.basis));
    basis_->setVisible(!pending);
    details_->setText(Unbroken(reading.details));
    more_->setVisible(!pending && !reading.details.empty());
    more_->setChecked(false);
    // A screen reader, too, meets the verdict first.
    setAccessibleName(verdict);
    setAccessibleDescription(pending ? summary_->text()
                                     : QString::fromStdString(reading.basis) + QLatin1Char(' ') +
                                           summary_->text());
}

void ResultsView::KeepClear(QRect area) {
    keepClear_ = area;
    Place();
}

QString ResultsView::CopiedText() const {
    // The spaces that keep a figure on one line are plain spaces again.
    const auto plain = [](QString text) { return text.replace(QChar::Nbsp, QLatin1Char(' ')); };
    if (const auto* label = qobject_cast<const QLabel*>(focusWidget());
        label != nullptr && label->hasSelectedText()) {
        return plain(label->selectedText());
    }
    if (table_->hasFocus() && table_->selectionModel()->hasSelection()) {
        return table_->RowsText(true);
    }
    QString text = summary_->text() + QLatin1Char('\n');
    for (const QLabel* words : {verdict_, basis_, details_}) {
        if (!words->text().isEmpty()) {
            text += plain(words->text()) + QLatin1Char('\n');
        }
    }
    return text + table_->RowsText(false);
}

void ResultsView::resizeEvent(QResizeEvent* /*event*/) {
    Place();
}

// The words above what is kept clear, the table beside both, the chart below across the width.
// The table keeps a third of the height at least, in whole rows; without anything to keep clear,
// the words and the table take the top two fifths.
void ResultsView::Place() {
    const int clearTop = keepClear_.isEmpty() ? height() * 2 / 5 : keepClear_.top();
    const int clearBottom = keepClear_.isEmpty() ? clearTop - 1 : keepClear_.bottom();
    const int clearRight = keepClear_.isEmpty() ? width() / 2 : keepClear_.right();
    const int tableLeft =
        std::max(clearRight + Gap + 1, width() - std::max(TableWidth, table_->FullWidth()));
    const int tableHeight = table_->WholeRowsHeight(std::max(clearBottom + 1, (height() + 2) / 3));
    table_->setGeometry(tableLeft, 0, width() - tableLeft, tableHeight);
    words_->setGeometry(QRect(QPoint(0, 0), QPoint(tableLeft - Gap - 1, clearTop - Gap - 1)));
    const int chartTop = std::max(clearBottom, tableHeight - 1) + Gap + 1;
    chartArea_ = QRect(QPoint(0, chartTop), QPoint(width() - 1, height() - 1));
    update();
}

ChartLayout ResultsView::Chart() const {
    const QFontMetrics metrics(font());
    return LayOutChart(items_->GetSummary(), range_,
                       chartArea_.adjusted(Padding, Padding, -Padding, -Padding),
                       {[metrics](const QString& text) { return metrics.horizontalAdvance(text); },
                        metrics.height()});
}

void ResultsView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // A painter starts in the application's direction, not the widget's.
    painter.setLayoutDirection(layoutDirection());
    painter.fillRect(chartArea_, Background);
    PaintChart(painter, Chart());
}

void ResultsView::PaintChart(QPainter& painter, const ChartLayout& chart) const {
    if (!chart.empty.isEmpty()) {
        painter.setPen(Ink);
        painter.drawText(chartArea_.adjusted(Padding, Padding, -Padding, -Padding),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, chart.empty);
        return;
    }
    const QRect& plot = chart.plot;
    painter.setPen(GridColour);
    for (const ChartLayout::Tick& tick : chart.ticks) {
        if (tick.count > 0) {
            painter.drawLine(plot.left(), tick.y, plot.right(), tick.y);
        }
    }
    for (const QRect& band : chart.band) {
        DrawBand(painter, band, false);
    }
    for (const ChartLayout::Bar& bar : chart.bars) {
        const QColor& colour = bar.unusual             ? UnusualColour
                               : chart.itemsPerBar > 1 ? MeanColour
                                                       : BarColour;
        painter.fillRect(bar.rect, colour);
        if (!bar.spread.isNull()) {
            const int width = bar.rect.width();
            DrawSpread(painter, bar.spread, width, bar.unusual ? UnusualColour : SpreadColour,
                       bar.unusual ? std::max(2, width / 2) : std::max(1, width / 4));
        }
    }
    for (const QRect& band : chart.band) {
        DrawBand(painter, band, true);
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
        const int middle = swatch.center().y();
        switch (entry.key) {
            case ChartLayout::Key::Mean:
                painter.fillRect(swatch, MeanColour);
                break;
            case ChartLayout::Key::Spread:
                DrawSpread(
                    painter,
                    QLine(swatch.center().x(), swatch.top(), swatch.center().x(), swatch.bottom()),
                    swatch.width(), SpreadColour, 1);
                break;
            case ChartLayout::Key::Band:
                DrawBand(painter, swatch, false);
                DrawBand(painter, swatch, true);
                break;
            case ChartLayout::Key::Expected:
                DrawExpected(painter, QLine(swatch.left(), middle, swatch.right(), middle));
                break;
            case ChartLayout::Key::Unusual:
                painter.fillRect(swatch.adjusted(8, 2, 0, 0), UnusualColour);
                DrawMark(painter, QPoint(swatch.left() + 4, swatch.bottom()));
                break;
        }
        DrawLabel(painter, entry.label, Qt::AlignLeft | Qt::AlignTop);
    }
}
