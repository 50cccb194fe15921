// The results view alone: what it shows and in which order, what screen readers and Ctrl+C get,
// the table from the keyboard, the words at the user's font, and how it is drawn.

#include <QAccessible>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <memory>

#include "picker/Picker.h"
#include "tests/engine/Stretches.h"
#include "window/results/ResultsView.h"

namespace {

// Items 1 to 4 picked 3, 12, 1 and 9 times, with where a fair run keeps them.
std::pair<Summary, FairRange> FourItems() {
    auto picker = std::make_unique<Picker>();
    for (const Int16 pick : Stretches("1*3 2*12 3 4*9")) {
        picker->Picks[++picker->PickCount] = pick;
    }
    TallyPicks(*picker, "4");
    const Summary summary = Summarize(*picker, "4");
    return {summary, FairRangeOf(picker->Picks.Slots(1, picker->PickCount), summary)};
}

const ReadingWords Reading = {"A verdict", "What it rests on.", "The method, p = 0.5."};
const QString Rows =
    "Item\tPicks\tFrom expected\n1\t3\t-3.3\n2\t12\t+5.8\n3\t1\t-5.3\n4\t9\t+2.8\n";

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

    template <class Control = QLabel>
    Control* Find(const char* name) {
        return view_->findChild<Control*>(name);
    }

private slots:
    // As the window holds it: below the credit link, around the file links.
    void init() {
        view_ = new ResultsView(&window_);
        after_ = new QPushButton(QStringLiteral("after"), &window_);
        view_->setGeometry(8, 32, 671, 457);
        view_->KeepClear(QRect(184, 200, 242, 106));
        const auto [summary, range] = FourItems();
        view_->SetSummary(summary, range);
        window_.resize(687, 497);
        window_.show();
        view_->show();
        after_->show();
        QVERIFY(QTest::qWaitForWindowActive(&window_));
    }
    void cleanup() {
        delete view_;
        delete after_;
    }

    // The verdict first, set apart by weight and a rule, to the eye and to a screen reader; then
    // what it rests on and the summary; the details behind a disclosure the keyboard opens. Its
    // English words and its items run left to right, also in a right-to-left window (-reverse).
    void readsVerdictFirst() {
        const QString summary = QString::fromStdString(SummaryText(FourItems().first));
        QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(view_);
        QCOMPARE(chart->role(), QAccessible::Chart);
        QCOMPARE(chart->text(QAccessible::Name), "The fairness reading is being worked out.");
        QCOMPARE(chart->text(QAccessible::Description), summary);
        QVERIFY(!Find<QToolButton>("Details")->isVisible());
        view_->SetReading(Reading);
        QCOMPARE(chart->text(QAccessible::Name), "A verdict");
        QCOMPARE(chart->text(QAccessible::Description), "What it rests on. " + summary);
        QLabel* verdict = Find("Verdict");
        QVERIFY(verdict->font().bold() && !Find("Basis")->font().bold());
        QVERIFY(verdict->y() < Find("Basis")->y() && Find("Basis")->y() < Find("Summary")->y());
        const QPoint rule = verdict->mapTo(view_, QPoint(-10, verdict->height() / 2));
        QCOMPARE(view_->grab().toImage().pixelColor(rule), ResultsView::Ink);
        window_.setLayoutDirection(Qt::RightToLeft);
        QCOMPARE(view_->Table()->layoutDirection(), Qt::LeftToRight);
        window_.setLayoutDirection(Qt::LeftToRight);

        QLabel* details = Find("DetailsText");
        QVERIFY(!details->isVisible());
        auto* more = Find<QToolButton>("Details");
        more->setFocus();
        QTest::keyClick(more, Qt::Key_Space);
        QVERIFY(details->isVisible());
        QCOMPARE(details->text(), "The method, p\u00a0=\u00a00.5.");
        QTest::keyClick(more, Qt::Key_Space);
        QVERIFY(!details->isVisible());
    }

    void copies_data() {
        QTest::addColumn<int>("selection");  // 0 none, 1 rows, 2 rows then Tab, 3 a label's words
        QTest::addColumn<QString>("copied");
        const QString all = QString::fromStdString(SummaryText(FourItems().first)) +
                            "\nA verdict\nWhat it rests on.\nThe method, p = 0.5.\n";
        QTest::newRow("nothing selected") << 0 << all + Rows;
        QTest::newRow("rows 2 and 3 selected")
            << 1 << "Item\tPicks\tFrom expected\n2\t12\t+5.8\n3\t1\t-5.3\n";
        QTest::newRow("rows selected, focus gone") << 2 << all + Rows;
        QTest::newRow("words selected") << 3 << "p = 0.5";
    }

    // Ctrl+C anywhere copies the summary, the reading, the columns' titles and every row; in the
    // table the titles and its selected rows; in a label its selected words.
    void copies() {
        QFETCH(int, selection);
        QFETCH(QString, copied);
        view_->SetReading(Reading);
        QTableView* table = view_->Table();
        QWidget* focus = after_;
        if (selection == 1 || selection == 2) {
            table->setFocus();
            QTest::keyClick(table, Qt::Key_Down);
            QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
            focus = table;
        }
        if (selection == 2) {
            QTest::keyClick(table, Qt::Key_Tab);
            focus = after_;
        }
        if (selection == 3) {
            Find<QToolButton>("Details")->setChecked(true);
            focus = Find("DetailsText");
            Find("DetailsText")->setSelection(12, 7);
        }
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    }

    void sortsFromTheKeyboard_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("presses");  // of Return; none: a click on the title
        QTest::addColumn<QString>("items");
        QTest::newRow("Picks") << 1 << 1 << "2 4 1 3";
        QTest::newRow("Picks, again") << 1 << 2 << "3 1 4 2";
        QTest::newRow("From expected") << 2 << 1 << "2 4 1 3";
        QTest::newRow("Item, sorted already") << 0 << 1 << "4 3 2 1";
        QTest::newRow("Picks, clicked") << 1 << 0 << "2 4 1 3";
    }

    // Return sorts by the current column, counts largest first, as a click on its title does; the
    // focus leaves and comes back to the cell, which a screen reader hears focused only meanwhile.
    void sortsFromTheKeyboard() {
        QFETCH(int, column);
        QFETCH(int, presses);
        QFETCH(QString, items);
        QTableView* table = view_->Table();
        table->setFocus();
        for (int k = 0; k < column; ++k) {
            QTest::keyClick(table, Qt::Key_Right);
        }
        for (int k = 0; k < presses; ++k) {
            QTest::keyClick(table, Qt::Key_Return);
        }
        QHeaderView* header = table->horizontalHeader();
        if (presses == 0) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, 5));
        }
        QCOMPARE(Column(table, 0).join(' '), items);
        const QModelIndex current = table->currentIndex();
        QCOMPARE(current.column(), column);
        const auto focused = [&] {
            return QAccessible::queryAccessibleInterface(table)
                ->tableInterface()
                ->cellAt(current.row(), column)
                ->state()
                .focused;
        };
        QVERIFY(focused());
        QTest::keyClick(table, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), after_);
        QVERIFY(!focused());
        table->setFocus(Qt::BacktabFocusReason);
        QCOMPARE(table->currentIndex(), current);
        QVERIFY(focused());
    }

    void followsTheFont_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<QSize>("size");
        QTest::newRow("the window's smallest") << 9 << QSize(671, 457);
        QTest::newRow("a large font") << 20 << QSize(671, 457);
        QTest::newRow("a large font, tall") << 20 << QSize(692, 1060);
        QTest::newRow("maximised") << 9 << QSize(1584, 1141);
    }

    // The words wrap at the font's size, never smaller, and scroll where they outgrow their panel;
    // the table keeps a third of the height at least; no part covers another or the links.
    void followsTheFont() {
        QFETCH(int, points);
        QFETCH(QSize, size);
        QFont font = view_->font();
        font.setPointSize(points);
        view_->setFont(font);
        view_->SetReading(Reading);
        Find<QToolButton>("Details")->setChecked(true);
        view_->resize(size);
        window_.resize(size + QSize(16, 40));
        auto* words = view_->findChild<QScrollArea*>();
        QTRY_VERIFY(words->widget()->height() >= words->widget()->minimumSizeHint().height());
        for (const QLabel* label : view_->findChildren<QLabel*>()) {
            QVERIFY(label->font().pointSize() >= points && label->wordWrap());
            QVERIFY(label->height() >= label->heightForWidth(label->width()));
            QVERIFY(label->textInteractionFlags().testFlags(Qt::TextSelectableByMouse |
                                                            Qt::TextSelectableByKeyboard));
        }
        QCOMPARE(words->verticalScrollBar()->maximum() > 0,
                 words->widget()->minimumSizeHint().height() > words->viewport()->height());
        const QRect table = view_->Table()->geometry();
        QVERIFY2(table.height() * 3 >= size.height(), qPrintable(QString::number(table.height())));
        const QList<QRect> parts = {words->geometry(), table, view_->ChartArea(),
                                    QRect(184, 200, 242, 106)};
        for (qsizetype k = 0; k < parts.size(); ++k) {
            QVERIFY(view_->rect().contains(parts[k]));
            for (qsizetype j = k + 1; j < parts.size(); ++j) {
                QVERIFY2(!parts[k].intersects(parts[j]),
                         qPrintable(QString("%1, %2").arg(k).arg(j)));
            }
        }
    }

    // Dark words on white, 4.5:1 at least where white on the highlight blue gives 3.69:1; the
    // bars and the panels painted as laid out.
    void paintsItsLayoutReadably() {
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
};

QTEST_MAIN(ResultsViewTest)
#include "ResultsViewTest.moc"
