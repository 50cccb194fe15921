// The window around "Finish": what screen readers are told while picking, the pointer, the reading
// that comes later, and the results as the window grows.

#include <QAccessible>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "finish/Fairness.h"
#include "finish/Summary.h"
#include "window/Form1.h"
#include "window/ResultsView.h"

namespace {

// The shape of the override cursor when a control is first shown; -1 when there is none.
class CursorAtShow : public QObject {
public:
    int shape = -2;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Show && shape == -2) {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            shape = cursor != nullptr ? cursor->shape() : -1;
        }
        return false;
    }
};

}  // namespace

class FinishedWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runDirectory_;
    std::unique_ptr<Form1> form_;

    template <class Control = QWidget>
    Control* Find(const QString& name) {
        return form_->findChild<Control*>(name);
    }

    // A window picking 3 items every 5 ms, with some picks recorded.
    void Pick() {
        QVERIFY(QDir::setCurrent(runDirectory_.path()));
        form_ = std::make_unique<Form1>();
        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        Find<QLineEdit>("Text2")->setText("3");
        Find<QLineEdit>("Text3")->setText("5");
        QTest::mouseClick(Find("Command2"), Qt::LeftButton);
        for (int x = 300; form_->Engine().PickCount < 20; x = 300 + (x + 7) % 200) {
            QTest::mouseMove(form_.get(), QPoint(x, 400));
            QTest::qWait(2);
        }
    }

private slots:
    void cleanup() {
        form_.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    // While picking, the count is a status and the hidden debug box is never heard of: no window
    // lists it, and an event about it has no interface to reach a screen reader by. At "Finish",
    // the wait pointer, not a busy one; the reading a moment after.
    void finishing() {
        Pick();
        QAccessibleInterface* count = QAccessible::queryAccessibleInterface(Find("Label3"));
        QCOMPARE(count->role(), QAccessible::StatusBar);
        QCOMPARE(count->text(QAccessible::Name), Find<QLabel>("Label3")->text());
        QAccessibleTextUpdateEvent beat(Find("Text1"), 0, "1", "2");
        QVERIFY(beat.accessibleInterface() == nullptr);
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form_.get());
        QVERIFY(window->childCount() > 5);
        for (int k = 0; k < window->childCount(); ++k) {
            QVERIFY(window->child(k)->object() != Find("Text1"));
            QCOMPARE(window->indexOfChild(window->child(k)), k);
        }

        CursorAtShow cursor;
        Find("Hyperlink1")->installEventFilter(&cursor);
        QTest::mouseClick(Find("Command1"), Qt::LeftButton);
        QCOMPARE(cursor.shape, int(Qt::WaitCursor));
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);

        const Picker& picker = form_->Engine();
        const QString reading = QString::fromStdString(
            FairnessText(JudgeFairness(picker.Picks.Slots(1, picker.PickCount), "3")));
        QWidget* results = Find("ResultsView1");
        QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(results);
        QVERIFY(chart->text(QAccessible::Description) != reading);
        QTRY_COMPARE(chart->text(QAccessible::Description), reading);
        QCOMPARE(chart->text(QAccessible::Name),
                 QString::fromStdString(SummaryText(Summarize(picker, "3"))));

        // Ctrl+C copies the results from anywhere in the window.
        Find("Hyperlink4")->setFocus();
        QTest::keyClick(Find("Hyperlink4"), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(chart->text(QAccessible::Name) +
                                                                '\n' + reading + "\n1\t"));
    }

    // Never smaller than laid out; larger, the results grow around the shown controls, and every
    // control keeps its place.
    void growing() {
        Pick();
        QTest::mouseClick(Find("Command1"), Qt::LeftButton);
        auto* results = Find<ResultsView>("ResultsView1");
        const QStringList controls = {"Command1",   "Hyperlink1", "Hyperlink2", "Hyperlink3",
                                      "Hyperlink4", "Label1",     "Text2",      "Text3"};
        QList<QRect> places;
        for (const QString& name : controls) {
            places << Find(name)->geometry();
        }
        QList<QSize> charts;
        for (const QSize size : {QSize(300, 200), QSize(1200, 900)}) {
            form_->resize(size);
            QTRY_COMPARE(form_->size(), size.expandedTo(QSize(687, 497)));
            charts << results->ChartArea().size();
            QVERIFY(form_->rect().contains(results->geometry()));
            for (qsizetype k = 0; k < controls.size(); ++k) {
                QCOMPARE(Find(controls[k])->geometry(), places[k]);
                for (const QRect& area : {results->ChartArea(), results->Table()->geometry()}) {
                    QVERIFY2(!Find(controls[k])->isVisible() ||
                                 !area.translated(results->pos()).intersects(places[k]),
                             qPrintable(controls[k]));
                }
            }
        }
        const QSize growth = charts[1] - charts[0];
        QVERIFY2(growth.width() >= 250 && growth.height() >= 150,
                 qPrintable(QString("%1x%2 more").arg(growth.width()).arg(growth.height())));
    }
};

QTEST_MAIN(FinishedWindowTest)
#include "FinishedWindowTest.moc"
