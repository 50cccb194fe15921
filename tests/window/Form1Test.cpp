// The window as a user meets it, driven through real events on the offscreen platform.

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

#include "window/Form1.h"
#include "window/Hyperlink.h"

namespace {

const QStringList SetupControls = {"Command2", "Hyperlink4", "Label1", "Label2", "Text2", "Text3"};
const QStringList PickingControls = {"Command1", "Hyperlink4"};
const QStringList FinishedControls = {"Hyperlink1", "Hyperlink2", "Hyperlink3", "Hyperlink4"};

template <class Control = QWidget>
Control* Find(const Form1& form, const QString& name) {
    auto* control = form.findChild<Control*>(name);
    if (control == nullptr) {
        qFatal("no control %s", qPrintable(name));
    }
    return control;
}

QStringList VisibleControls(const Form1& form) {
    QStringList names;
    for (const QWidget* control : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isWindow() && control->isVisibleTo(&form)) {
            names << control->objectName();
        }
    }
    names.sort();
    return names;
}

QByteArray ReadFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray Printed(int value) {
    return (value < 0 ? "-" : " ") + QByteArray::number(std::abs(value)) + " ";
}

// The result files a run must leave, worked out from the picks that "data.txt" holds.
std::pair<QByteArray, QByteArray> ExpectedResults(const QByteArray& data, int items) {
    std::map<int, int> counts;
    for (const QByteArray& line : data.split('\n')) {
        if (!line.isEmpty()) {
            ++counts[line.trimmed().toInt()];
        }
    }
    std::vector<std::pair<int, int>> ranked;  // item, count
    for (int item = 1; item <= items; ++item) {
        ranked.emplace_back(item, counts[item]);
    }
    const auto table = [](const std::vector<std::pair<int, int>>& rows) {
        QByteArray text = "Item      Quantity\r\n";
        for (const auto& [item, count] : rows) {
            text += Printed(item) + Printed(count) + "\r\n";
        }
        return text;
    };
    const QByteArray inItemOrder = table(ranked);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return {inItemOrder, table(ranked)};
}

// Runs the event loop until done() holds or the time is up. QTest::qWait sleeps between rounds of
// events, which would slow a 1 ms beat tenfold.
bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    poll.start(5);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// Records which URLs the links ask the desktop to open.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened << url; }
};

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runDirectory_;
    QString home_;
    std::unique_ptr<Form1> form_;

    // A shown window, created in a fresh directory, in Setup.
    Form1& Open() {
        form_ = std::make_unique<Form1>();
        form_->show();
        if (!QTest::qWaitForWindowActive(form_.get())) {
            qFatal("the window did not become active");
        }
        return *form_;
    }

    void Type(QLineEdit* box, const QString& text) {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }

    void Submit(Form1& form, const QString& outcomes, const QString& interval) {
        Type(Find<QLineEdit>(form, "Text2"), outcomes);
        Type(Find<QLineEdit>(form, "Text3"), interval);
        QTest::mouseClick(Find(form, "Command2"), Qt::LeftButton);
    }

    // Moves the pointer to point (in window coordinates) by way of another point, since a move
    // to where the pointer already is delivers nothing.
    void MoveTo(Form1& form, QPoint point) {
        QTest::mouseMove(&form, point + QPoint(1, 1));
        QTest::mouseMove(&form, point);
    }

    // Keeps the pointer drawing over the surface until the beats have recorded this many picks;
    // false when they do not come.
    bool MoveUntilRecorded(Form1& form, int picks) {
        for (int step = 0; step < 5000 && form.Engine().PickCount < picks; ++step) {
            MoveTo(form, QPoint(300 + step % 200, 400));
            QTest::qWait(1);
        }
        return form.Engine().PickCount >= picks;
    }

    QString RefusalText(Form1& form) {
        QMessageBox* box = form.findChild<QMessageBox*>();
        return box != nullptr && box->isVisible() ? box->text() : QString();
    }

    void CloseNotice(Form1& form) {
        QMessageBox* box = form.findChild<QMessageBox*>();
        QVERIFY(box != nullptr);
        box->accept();
        QTRY_VERIFY(form.findChild<QMessageBox*>() == nullptr);
    }

private slots:
    void init() {
        QVERIFY(runDirectory_.isValid());
        home_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(runDirectory_.path()));
    }

    void cleanup() {
        form_.reset();
        while (QGuiApplication::overrideCursor() != nullptr) {
            QGuiApplication::restoreOverrideCursor();
        }
        QDir::setCurrent(home_);
        QDir(runDirectory_.path()).removeRecursively();
        QDir().mkpath(runDirectory_.path());
    }

    void initialControls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("visible");
        QTest::newRow("Label1") << "Label1" << QRect(32, 24, 153, 25)
                                << "Future Outcomes :" << true;
        QTest::newRow("Text2") << "Text2" << QRect(216, 24, 81, 25) << "2" << true;
        QTest::newRow("Label2") << "Label2" << QRect(32, 64, 169, 33) << "Interval (ms) for picking"
                                << true;
        QTest::newRow("Text3") << "Text3" << QRect(216, 64, 81, 25) << "1500" << true;
        QTest::newRow("Command2") << "Command2" << QRect(216, 104, 81, 25) << "Submit" << true;
        QTest::newRow("Command1") << "Command1" << QRect(616, 40, 65, 33) << "Finish" << false;
        QTest::newRow("Text1") << "Text1" << QRect(216, 152, 65, 33) << "debuger" << false;
        QTest::newRow("Hyperlink1")
            << "Hyperlink1" << QRect(192, 232, 241, 25) << "Open Data file" << false;
        QTest::newRow("Hyperlink2")
            << "Hyperlink2" << QRect(192, 272, 241, 25) << "Open Results file" << false;
        QTest::newRow("Hyperlink3")
            << "Hyperlink3" << QRect(192, 312, 241, 25) << "Open Sorted results file" << false;
    }

    void initialControls() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(bool, visible);
        Form1& form = Open();
        QWidget* control = Find(form, name);
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(control->isVisible(), visible);
        QCOMPARE(control->property("text").toString(), text);
        // Every caption fits its box in the face the window found.
        QVERIFY2(control->fontMetrics().horizontalAdvance(text) <= geometry.width(),
                 qPrintable(control->font().family()));
    }

    void initialWindow() {
        Form1& form = Open();
        QCOMPARE(form.windowTitle(), QString("Kelpov1.0"));
        QCOMPARE(form.size(), QSize(687, 497));
        QCOMPARE(form.palette().color(QPalette::Window),
                 QGuiApplication::palette().color(QPalette::Highlight));
        QCOMPARE(VisibleControls(form), SetupControls);
        for (const char* name : {"Label1", "Label2"}) {
            auto* label = Find<QLabel>(form, name);
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::white));
            QCOMPARE(label->font().pointSizeF(), 12.0);
            QCOMPARE(label->font().weight(), QFont::Normal);
        }
        for (const char* name : {"Hyperlink1", "Hyperlink2", "Hyperlink3"}) {
            auto* link = Find<Hyperlink>(form, name);
            QCOMPARE(link->palette().color(QPalette::ButtonText), QColor(255, 255, 128));
            QCOMPARE(link->palette().color(QPalette::Button), QColor(Qt::black));
            QCOMPARE(link->font().pointSizeF(), 13.5);
            QCOMPARE(link->font().weight(), QFont::Bold);
        }
        auto* credit = Find<Hyperlink>(form, "Hyperlink4");
        QCOMPARE(credit->geometry(), QRect(392, 8, 289, 17));
        QCOMPARE(credit->palette().color(QPalette::ButtonText), QColor(Qt::blue));
        QCOMPARE(credit->font().pointSizeF(), 8.25);
        QVERIFY(credit->TargetUrl().scheme() == "https");
        QVERIFY(credit->fontMetrics().horizontalAdvance(credit->text()) <= 289);

        auto* timer = form.findChild<QTimer*>("Timer1");
        QVERIFY(timer != nullptr);
        QVERIFY(!timer->isActive());
        QCOMPARE(timer->interval(), 1500);
        QCOMPARE(timer->timerType(), Qt::PreciseTimer);

        // Text1 and Command1 come first in the tab order but are hidden, so Text2 has the focus.
        QCOMPARE(QApplication::focusWidget(), Find(form, "Text2"));
        QStringList tabOrder;
        QWidget* control = Find(form, "Text1");
        do {
            if (control->focusPolicy() & Qt::TabFocus) {
                tabOrder << control->objectName();
            }
            control = control->nextInFocusChain();
        } while (control != Find(form, "Text1") && tabOrder.size() < 20);
        QCOMPARE(tabOrder, QStringList({"Text1", "Command1", "Text2", "Command2", "Text3",
                                        "Hyperlink1", "Hyperlink2", "Hyperlink3", "Hyperlink4"}));
        QVERIFY(!form.HasFailed());
        QCOMPARE(ReadFile("data.txt"), QByteArray());
    }

    void statesShowTheirControls() {
        Form1& form = Open();
        auto* timer = form.findChild<QTimer*>("Timer1");
        Submit(form, "6", "40");
        QCOMPARE(VisibleControls(form), PickingControls);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 40);
        QCOMPARE(QApplication::focusWidget(), Find(form, "Command1"));
        QTest::mouseClick(Find(form, "Command1"), Qt::LeftButton);
        QCOMPARE(VisibleControls(form), FinishedControls);
        QVERIFY(!timer->isActive());
        QVERIFY(!form.HasFailed());
    }

    void movementDrawsOnlyOverTheSurface() {
        Form1& form = Open();
        Type(Find<QLineEdit>(form, "Text2"), "20000");
        const Picker& picker = form.Engine();
        // Over visible controls: a label, a text box, a button and the credit link.
        for (const QPoint point :
             {QPoint(40, 30), QPoint(230, 30), QPoint(230, 110), QPoint(400, 12)}) {
            MoveTo(form, point);
            QCOMPARE(picker.CurrentPick, 0);
        }
        // Over the bare surface, and over the area of the hidden "Finish" and links. With 20000
        // outcomes a draw repeats the one before once in 20000 times, so three tries all keeping
        // the same pick would be a fault.
        for (const QPoint point : {QPoint(500, 400), QPoint(640, 50), QPoint(300, 240)}) {
            bool changed = false;
            for (int attempt = 0; attempt < 3 && !changed; ++attempt) {
                const int before = picker.CurrentPick;
                MoveTo(form, point + QPoint(attempt * 3, 0));
                changed = picker.CurrentPick != before;
            }
            QVERIFY2(changed,
                     qPrintable(QString("no draw at %1,%2").arg(point.x()).arg(point.y())));
            QVERIFY(picker.CurrentPick >= 1 && picker.CurrentPick <= 20000);
        }
    }

    void movementWithAnUnusableCountDrawsNothing_data() {
        QTest::addColumn<QString>("outcomes");
        for (const char* text : {"", "abc", "-", "40000", "20001", "1e400", "-32768"}) {
            QTest::newRow(text) << text;
        }
    }

    void movementWithAnUnusableCountDrawsNothing() {
        QFETCH(QString, outcomes);
        Form1& form = Open();
        Type(Find<QLineEdit>(form, "Text2"), "6");
        MoveTo(form, QPoint(500, 300));
        const int drawn = form.Engine().CurrentPick;
        QVERIFY(drawn >= 1 && drawn <= 6);
        Type(Find<QLineEdit>(form, "Text2"), outcomes);
        for (int step = 0; step < 20; ++step) {
            MoveTo(form, QPoint(400 + step * 5, 350));
        }
        QCOMPARE(form.Engine().CurrentPick, drawn);
        QVERIFY(!form.HasFailed());
    }

    void refusedSetting_data() {
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("refused");  // the box that gets the focus back
        QTest::addColumn<QString>("named");    // what the message must name
        for (const char* text : {"", "abc", "20001", "40000", "-32768", "20000.5", "1e400"}) {
            QTest::newRow(qPrintable(QString("outcomes '%1'").arg(text))) << text << "1500"
                                                                          << "Text2"
                                                                          << "Future Outcomes";
        }
        for (const char* text : {"", "abc", "0", "-5", "0.4", "2147483648", "1e10"}) {
            QTest::newRow(qPrintable(QString("interval '%1'").arg(text)))
                << "6" << text << "Text3"
                << "Interval (ms) for picking";
        }
    }

    void refusedSetting() {
        QFETCH(QString, outcomes);
        QFETCH(QString, interval);
        QFETCH(QString, refused);
        QFETCH(QString, named);
        Form1& form = Open();
        Submit(form, outcomes, interval);
        QCOMPARE(VisibleControls(form), SetupControls);
        QVERIFY(!form.findChild<QTimer*>("Timer1")->isActive());
        const QString message = RefusalText(form);
        QVERIFY2(message.contains(named), qPrintable(message));
        const QString text = refused == "Text2" ? outcomes : interval;
        QVERIFY2(message.contains('"' + text + '"'), qPrintable(message));
        CloseNotice(form);
        // The offscreen platform does not hand activation back from a closed dialog by itself.
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), Find(form, refused));
        QVERIFY(!form.HasFailed());
    }

    void acceptedSetting_data() {
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("defaults") << "2"
                                  << "1500" << 1500;
        QTest::newRow("zero outcomes") << "0"
                                       << "1" << 1;
        QTest::newRow("negative outcomes") << "-5"
                                           << " 250 " << 250;
        QTest::newRow("fractional outcomes") << "2.5"
                                             << "2.5" << 2;
        QTest::newRow("largest outcomes") << "20000"
                                          << "+3.5" << 4;
        QTest::newRow("lowest outcomes") << "-32767.5"
                                         << "2147483647" << 2147483647;
    }

    void acceptedSetting() {
        QFETCH(QString, outcomes);
        QFETCH(QString, interval);
        QFETCH(int, milliseconds);
        Form1& form = Open();
        Submit(form, outcomes, interval);
        QCOMPARE(VisibleControls(form), PickingControls);
        QCOMPARE(form.findChild<QTimer*>("Timer1")->interval(), milliseconds);
        QVERIFY(form.findChild<QMessageBox*>() == nullptr);
        // The draws after "Submit" use the accepted count without failing.
        for (int step = 0; step < 30; ++step) {
            MoveTo(form, QPoint(300 + step * 7, 400));
        }
        QVERIFY(!form.HasFailed());
    }

    void beatShowsAndRecordsThePick() {
        Form1& form = Open();
        Submit(form, "5", "5");
        const Picker& picker = form.Engine();
        QVERIFY(MoveUntilRecorded(form, 12));
        // Nothing changes between events, so the log, the store and the debug box agree now.
        const QList<QByteArray> lines = ReadFile("data.txt").split('\n');
        QCOMPARE(lines.size(), picker.PickCount + 1);
        for (int k = 1; k <= picker.PickCount; ++k) {
            QCOMPARE(lines[k - 1], Printed(picker.Picks[k]) + "\r");
        }
        QCOMPARE(Find<QLineEdit>(form, "Text1")->text(),
                 QString::number(picker.Picks[picker.PickCount]));
    }

    void finishWritesFilesAndPointsTheLinks() {
        Form1& form = Open();
        Submit(form, "4", "3");
        const Picker& picker = form.Engine();
        QVERIFY(MoveUntilRecorded(form, 30));
        QTest::mouseClick(Find(form, "Command1"), Qt::LeftButton);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        const QByteArray data = ReadFile("data.txt");
        QCOMPARE(data.count('\n'), picker.PickCount);
        const auto [results, sorted] = ExpectedResults(data, 4);
        QCOMPARE(ReadFile("results.txt"), results);
        QCOMPARE(ReadFile("sorted_results.txt"), sorted);

        UrlRecorder recorder;
        QDesktopServices::setUrlHandler("file", &recorder, "Open");
        const QDir here = QDir::current();
        const std::pair<const char*, const char*> links[] = {{"Hyperlink1", "data.txt"},
                                                             {"Hyperlink2", "results.txt"},
                                                             {"Hyperlink3", "sorted_results.txt"}};
        for (const auto& [name, file] : links) {
            auto* link = Find<Hyperlink>(form, name);
            QCOMPARE(link->LinkTarget(), here.absoluteFilePath(file));
            QTest::mouseClick(link, Qt::LeftButton);
            QCOMPARE(recorder.opened.value(recorder.opened.size() - 1),
                     QUrl::fromLocalFile(here.absoluteFilePath(file)));
        }
        // And from the keyboard.
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
            auto* link = Find<Hyperlink>(form, "Hyperlink2");
            link->setFocus();
            QTest::keyClick(link, key);
            QCOMPARE(recorder.opened.value(recorder.opened.size() - 1),
                     QUrl::fromLocalFile(here.absoluteFilePath("results.txt")));
        }
        QCOMPARE(recorder.opened.size(), 5);
        QDesktopServices::unsetUrlHandler("file");
        QVERIFY(!form.HasFailed());
    }

    void finishFailureEndsTheRun() {
        Form1& form = Open();
        Submit(form, "3", "1500");
        // A directory in the way of the sorted results: a failure that root cannot bypass.
        QVERIFY(QDir().mkdir("sorted_results.txt"));
        QSignalSpy failed(&form, &Form1::Failed);
        QTest::mouseClick(Find(form, "Command1"), Qt::LeftButton);
        QCOMPARE(failed.size(), 1);
        QVERIFY(form.HasFailed());
        // Finish stopped on the failure with the wait cursor set before it still in force.
        QVERIFY(QGuiApplication::overrideCursor() != nullptr);
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QCOMPARE(VisibleControls(form), PickingControls);
        QVERIFY(!form.findChild<QTimer*>("Timer1")->isActive());
        QCOMPARE(ReadFile("results.txt"), QByteArray("Item      Quantity\r\n"
                                                     " 1  0 \r\n 2  0 \r\n 3  0 \r\n"));
        // Nothing runs after a failure.
        QTest::mouseClick(Find(form, "Command1"), Qt::LeftButton);
        QCOMPARE(VisibleControls(form), PickingControls);
        QCOMPARE(failed.size(), 1);
    }

    void fullStoreStopsTheBeats() {
        Form1& form = Open();
        Submit(form, "7", "1");
        const Picker& picker = form.Engine();
        QVERIFY(WaitUntil([&] { return picker.PickCount == Picker::PickStoreLimit; }, 120000));
        QVERIFY(!form.findChild<QTimer*>("Timer1")->isActive());
        const QString notice = RefusalText(form);
        QVERIFY2(notice.contains("store is full") && notice.contains("Finish"), qPrintable(notice));
        QTest::qWait(50);  // no beat after the last
        QCOMPARE(picker.PickCount, Picker::PickStoreLimit);
        CloseNotice(form);
        QCOMPARE(VisibleControls(form), PickingControls);
        QTest::mouseClick(Find(form, "Command1"), Qt::LeftButton);
        QVERIFY(!form.HasFailed());
        const QByteArray data = ReadFile("data.txt");
        QCOMPARE(data.count('\n'), Picker::PickStoreLimit);
        const auto [results, sorted] = ExpectedResults(data, 7);
        QCOMPARE(ReadFile("results.txt"), results);
        QCOMPARE(ReadFile("sorted_results.txt"), sorted);
        QCOMPARE(VisibleControls(form), FinishedControls);
    }
};

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
