// The results view alone: what it shows, what screen readers and Ctrl+C get, and how it is drawn.

#include <QAccessible>
#include <QClipboard>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <cmath>
#include <memory>

#include "picker/Picker.h"
#include "tests/engine/Stretches.h"
#include "window/results/ResultsView.h"

namespace {

// Items 1 to 4 picked 3, 12, 1 and 9 times.
Summary FourItems() {
    auto picker = std::make_unique<Picker>();
    for (const Int16 pick : Stretches("1*3 2*12 3 4*9")) {
        picker->Picks[++picker->PickCount] = pick;
    }
    TallyPicks(*picker, "4");
    return Summarize(*picker, "4");
}

// The contrast ratio of two colours as WCAG 2 defines it.
double Contrast(QColor a, QColor b) {
    const auto luminance = [](QColor c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double one = luminance(a), other = luminance(b);
    return (std::max(one, other) + 0.05) / (std::min(one, other) + 0.05);
}

QStringList Column(const QTableView* table, int column) {
    QStringList cells;
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        cells << table->model()->index(row, column).data().toString();
    }
    return cells;
}

}  // namespace

class ResultsViewTest : public QObject {
    Q_OBJECT

private:
    QWidget window_;
    ResultsView* view_ = nullptr;
    QPushButton* after_ = nullptr;

private slots:
    // As the window holds it: below the credit link, around the file links.
    void init() {
        view_ = new ResultsView(&window_);
        after_ = new QPushButton(QStringLiteral("after"), &window_);
        view_->setGeometry(8, 32, 671, 457);
        view_->KeepClear(QRect(184, 200, 242, 106));
        view_->SetSummary(FourItems());
        window_.resize(687, 497);
        window_.show();
        QVERIFY(QTest::qWaitForWindowActive(&window_));
    }
    void cleanup() { delete view_; }

    void tellsTheRun() {
        QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(view_);
        QCOMPARE(chart->role(), QAccessible::Chart);
        QCOMPARE(chart->text(QAccessible::Name), QString::fromStdString(SummaryText(FourItems())));
        const QString pending = chart->text(QAccessible::Description);
        view_->SetReading(QStringLiteral("A reading."));
        QVERIFY(pending != chart->text(QAccessible::Description));
        QCOMPARE(chart->text(QAccessible::Description), QString("A reading."));

        // Every item with its count and its difference from the 6.25 expected of each.
        QTableView* table = view_->Table();
        QCOMPARE(QAccessible::queryAccessibleInterface(table)->role(), QAccessible::Table);
        QCOMPARE(QAccessible::queryAccessibleInterface(table)->tableInterface()->rowCount(), 4);
        QCOMPARE(Column(table, 0), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(Column(table, 1), QStringList({"3", "12", "1", "9"}));
        QCOMPARE(Column(table, 2), QStringList({"\u22123.3", "+5.8", "\u22125.3", "+2.8"}));
        // Sorted by value, not by text, by a click on a column's title.
        QHeaderView* header = table->horizontalHeader();
        for (const int column : {1, 2}) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, 5));
            const QStringList items = Column(table, 0);
            QVERIFY2(items == QStringList({"3", "1", "4", "2"}) ||
                         items == QStringList({"2", "4", "1", "3"}),
                     qPrintable(items.join(' ')));
        }

        // Tab leaves the table; Ctrl+C copies the summary, the reading and the counts.
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), after_);
        QTest::keyClick(after_, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 chart->text(QAccessible::Name) + "\nA reading.\n1\t3\n2\t12\n3\t1\n4\t9\n");
    }

    // Dark words on white, 4.5:1 at least where white on the highlight blue gives 3.69:1; the
    // bars and the panels painted as laid out.
    void paintsItsLayoutReadably() {
        QCOMPARE(std::round(Contrast(Qt::white, QColor(0x30, 0x8c, 0xc6)) * 100), 369);
        const QPalette colours = view_->palette();
        for (const auto& [text, back] : {std::pair(QPalette::WindowText, QPalette::Window),
                                         {QPalette::Text, QPalette::Base},
                                         {QPalette::Text, QPalette::AlternateBase},
                                         {QPalette::HighlightedText, QPalette::Highlight},
                                         {QPalette::ButtonText, QPalette::Button}}) {
            QVERIFY2(Contrast(colours.color(text), colours.color(back)) >= 4.5,
                     qPrintable(QString("%1 on %2").arg(text).arg(back)));
        }
        QCOMPARE(colours.color(QPalette::Window), ResultsView::Background);
        QCOMPARE(colours.color(QPalette::WindowText), ResultsView::Ink);

        const QImage image = view_->grab().toImage();
        const ChartLayout chart = view_->Chart();
        QCOMPARE(image.pixelColor(view_->ChartArea().topLeft()), ResultsView::Background);
        QCOMPARE(image.pixelColor(2, 2), ResultsView::Background);
        // Each bar filled from the axis up to its top row, the empty plot above it.
        for (const ChartLayout::Bar& bar : chart.bars) {
            const int x = bar.rect.center().x();
            QVERIFY(image.pixelColor(x, bar.rect.bottom()) != ResultsView::Background);
            QVERIFY(image.pixelColor(x, bar.rect.top()) != ResultsView::Background);
            QCOMPARE(image.pixelColor(x, chart.plot.top() + 1), ResultsView::Background);
        }
    }

    // English words are laid out left to right, also in a right-to-left window (-reverse).
    void readsLeftToRight() {
        view_->SetReading(QStringLiteral("Short."));
        window_.setLayoutDirection(Qt::RightToLeft);
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
        const QImage image = view_->grab().toImage();
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
        QCOMPARE(view_->layoutDirection(), Qt::LeftToRight);
        // The last line of words holds only "Short.", which starts at the left.
        int lastInked = -1;
        int leftmost = image.width();
        for (int y = 0; y < view_->ChartArea().top(); ++y) {
            for (int x = 0; x < 420; ++x) {
                if (image.pixelColor(x, y).lightness() < 128) {
                    leftmost = y > lastInked + 3 ? x : std::min(leftmost, x);
                    lastInked = y;
                    break;
                }
            }
        }
        QVERIFY2(leftmost < 20, qPrintable(QString::number(leftmost)));
    }
};

QTEST_MAIN(ResultsViewTest)
#include "ResultsViewTest.moc"
