// The window as a user meets it, driven through real events on the offscreen platform.

#include <QAbstractButton>
#include <QAccessible>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <tuple>
#include <utility>

#include "window/Form1.h"
#include "window/Hyperlink.h"

namespace {

const QStringList SetupControls = {"Command2", "Hyperlink4", "Label1", "Label2", "Text2", "Text3"};
const QStringList PickingControls = {"Command1", "Hyperlink4", "Label3"};
const QStringList FinishedControls = {"Hyperlink1", "Hyperlink2", "Hyperlink3", "Hyperlink4",
                                      "ResultsView1"};

QByteArray ReadFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString Announced(QWidget* control, QAccessible::Text text = QAccessible::Name) {
    return QAccessible::queryAccessibleInterface(control)->text(text);
}

// Records which URLs the links ask the desktop to open.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    UrlRecorder() { QDesktopServices::setUrlHandler("file", this, "Open"); }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler("file"); }
    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened << url; }
};

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runDirectory_;
    std::unique_ptr<Form1> form_;

    // A shown window, created in the current directory, in Setup.
    void Open() {
        form_ = std::make_unique<Form1>();
        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }

    template <class Control = QWidget>
    Control* Find(const QString& name) {
        return form_->findChild<Control*>(name);
    }

    // The named controls the user can see; the focus ring is not one of them.
    QStringList VisibleControls() {
        QStringList names;
        for (const QWidget* control : form_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!control->isWindow() && control->isVisibleTo(form_.get()) &&
                !control->objectName().isEmpty()) {
                names << control->objectName();
            }
        }
        names.sort();
        return names;
    }

    QTimer* Timer() { return form_->findChild<QTimer*>("Timer1"); }
    QMessageBox* Notice() { return form_->findChild<QMessageBox*>(); }

    void Type(const QString& outcomes, const QString& interval) {
        for (const auto& [box, text] :
             {std::pair("Text2", outcomes), std::pair("Text3", interval)}) {
            Find<QLineEdit>(box)->clear();
            QTest::keyClicks(Find(box), text);
        }
    }

    void Submit(const QString& outcomes, const QString& interval) {
        Type(outcomes, interval);
        QTest::mouseClick(Find("Command2"), Qt::LeftButton);
    }

    // Moves the pointer by way of another point: a move to where it already is delivers nothing.
    void MoveTo(QPoint point) {
        QTest::mouseMove(form_.get(), point + QPoint(1, 1));
        QTest::mouseMove(form_.get(), point);
    }

private slots:
    void init() { QVERIFY(QDir::setCurrent(runDirectory_.path())); }

    void cleanup() {
        form_.reset();
        while (QGuiApplication::overrideCursor() != nullptr) {
            QGuiApplication::restoreOverrideCursor();
        }
        QDir::setCurrent(QDir::tempPath());
        for (const auto& entry :
             std::filesystem::directory_iterator(runDirectory_.path().toStdString())) {
            std::filesystem::remove_all(entry.path());
        }
    }

    void initialWindow() {
        Open();
        QCOMPARE(form_->windowTitle(), QString("Kelpov1.0"));
        QCOMPARE(form_->size(), QSize(687, 497));
        QCOMPARE(form_->palette().color(QPalette::Window),
                 QGuiApplication::palette().color(QPalette::Highlight));
        QCOMPARE(VisibleControls(), SetupControls);
        const std::tuple<const char*, QRect, QString> controls[] = {
            {"Label2", {32, 64, 169, 33}, "Interval (ms) for picking"},
            {"Command1", {616, 40, 65, 33}, "Finish"},
            {"Hyperlink3", {192, 312, 241, 25}, "Open Sorted results file"},
            {"Hyperlink4", {392, 8, 289, 17}, "Kelpov 1.0, made with Qt"}};
        for (const auto& [name, geometry, text] : controls) {
            QWidget* control = Find(name);
            QCOMPARE(control->geometry(), geometry);
            QCOMPARE(control->property("text").toString(), text);
            // Every caption fits its box in the face the window found.
            QVERIFY2(control->fontMetrics().horizontalAdvance(text) <= geometry.width(), name);
        }
        QCOMPARE(Find("Label1")->palette().color(QPalette::WindowText), QColor(Qt::white));
        QCOMPARE(Find("Label1")->font().pointSizeF(), 12.0);
        QCOMPARE(Find("Hyperlink1")->palette().color(QPalette::ButtonText), QColor(255, 255, 128));
        QCOMPARE(Find("Hyperlink1")->font().weight(), QFont::Bold);
        QCOMPARE(Find("Hyperlink4")->palette().color(QPalette::ButtonText), QColor(Qt::blue));
        QVERIFY(!Timer()->isActive());
        QCOMPARE(Timer()->interval(), 1500);

        // Text1 and Command1 come first in the tab order but are hidden, so Text2 has the focus.
        QCOMPARE(QApplication::focusWidget(), Find("Text2"));
        QStringList tabOrder;
        for (QWidget* control = Find("Text1"); tabOrder.size() < 11;
             control = control->nextInFocusChain()) {
            if (control->focusPolicy() & Qt::TabFocus) {
                tabOrder << control->objectName();
            }
        }
        QCOMPARE(tabOrder, QStringList({"Text1", "Command1", "Text2", "Command2", "Text3",
                                        "Hyperlink1", "Hyperlink2", "Hyperlink3", "ResultsView1",
                                        "ItemTable1", "Hyperlink4"}));

        // What a screen reader announces: each box by its label, the credit as a link.
        QCOMPARE(Announced(Find("Text2")), "Future Outcomes :");
        QCOMPARE(Announced(Find("Text3")), "Interval (ms) for picking");
        auto* credit = Find<Hyperlink>("Hyperlink4");
        QCOMPARE(QAccessible::queryAccessibleInterface(credit)->role(), QAccessible::Link);
        QCOMPARE(Announced(credit), credit->text());
        QCOMPARE(Announced(credit, QAccessible::Description), credit->LinkTarget());
    }

    // Tab and Return take the window from Setup through Picking to Finished.
    void aRunFromTheKeyboard() {
        Open();
        Type("20000", "3");  // so that a draw repeats the one before once in 20000 times
        MoveTo(QPoint(500, 300));
        const int first = form_->Engine().CurrentPick;
        QVERIFY(first >= 1 && first <= 20000);
        // A drag that starts on a visible control belongs to it. Sent through the window, as the
        // platform delivers them, the moves carry the held button.
        QWindow* window = form_->windowHandle();
        QTest::mousePress(window, Qt::LeftButton, {}, Find("Command2")->geometry().center());
        for (int x = 400; x < 500; x += 5) {
            QTest::mouseMove(window, QPoint(x, 350));
        }
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(495, 350));
        // A count that some stage of the run could not take draws nothing.
        Type("40000", "3");
        for (int x = 400; x < 500; x += 5) {
            MoveTo(QPoint(x, 300));
        }
        QCOMPARE(form_->Engine().CurrentPick, first);
        Type("4", "3");
        // From the outcome count "Submit" is a Tab away.
        QTest::mouseClick(Find("Text2"), Qt::LeftButton);
        QTest::keyClick(Find("Text2"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Find("Command2"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(VisibleControls(), PickingControls);
        QVERIFY(Timer()->isActive());
        QCOMPARE(Timer()->interval(), 3);
        QCOMPARE(QApplication::focusWidget(), Find("Command1"));
        // The held Return's repeats do not press "Finish", which now has the focus.
        QTest::simulateEvent(form_->windowHandle(), true, Qt::Key_Return, {}, "\r", true);
        QCOMPARE(VisibleControls(), PickingControls);

        // Every beat shows and records the current pick; movement over the surface draws anew.
        const Picker& picker = form_->Engine();
        QSet<int> drawn;
        for (int step = 0; step < 5000 && picker.PickCount < 30; ++step) {
            MoveTo(QPoint(300 + step % 200, 400));
            drawn << picker.CurrentPick;
            QTest::qWait(1);
        }
        QCOMPARE(drawn, QSet<int>({1, 2, 3, 4}));
        QTRY_VERIFY(Announced(Find("Label3")).section(" picks recorded", 0, 0).toInt() >= 30);
        // The arrow keys draw as the pointer does, and leave the focus where it is.
        QSet<int> keyed;
        for (int press = 0; press < 100; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(Qt::Key_Left + press % 4));
            keyed << picker.CurrentPick;
        }
        QCOMPARE(keyed, QSet<int>({1, 2, 3, 4}));
        QCOMPARE(QApplication::focusWidget(), Find("Command1"));
        // A close asks first; Escape answers "Cancel", and the beats go on meanwhile.
        QVERIFY(!form_->close());
        const int asked = picker.PickCount;
        QTRY_VERIFY(picker.PickCount > asked);
        QTest::keyClick(Notice(), Qt::Key_Escape);
        QTRY_VERIFY(Notice() == nullptr);
        QVERIFY(form_->isVisible() && Timer()->isActive());
        QCOMPARE(ReadFile("data.txt").count('\n'), picker.PickCount);
        QCOMPARE(Find<QLineEdit>("Text1")->text(), QString::number(picker.Picks[picker.PickCount]));
        // At a beat as fast as the event loop goes the store fills: the beats stop and say so.
        Timer()->setInterval(0);
        QTRY_COMPARE_WITH_TIMEOUT(picker.PickCount, Picker::PickStoreLimit, 30000);
        QVERIFY(!Timer()->isActive());
        QVERIFY(Notice()->text().contains("store is full"));
        Notice()->accept();
        QCOMPARE(ReadFile("data.txt").count('\n'), Picker::PickStoreLimit);
        QCOMPARE(Announced(Find("Label3")), "20000 picks recorded");
        // With the store full, the run still has no results: a close still asks.
        QTRY_VERIFY(Notice() == nullptr);
        QVERIFY(!form_->close());
        QVERIFY(Notice()->text().startsWith("Finish the run before closing?"));
        QTest::keyClick(Notice(), Qt::Key_Escape);

        QTest::keyClick(Find("Command1"), Qt::Key_Enter);
        QCOMPARE(VisibleControls(), FinishedControls);
        QVERIFY(!Timer()->isActive());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        QCOMPARE(ReadFile("results.txt").count('\n'), 5);
        // The results view tells a screen reader how many picks "results.txt" counts.
        int counted = 0;
        for (const QByteArray& line : ReadFile("results.txt").split('\n').mid(1)) {
            counted += line.simplified().split(' ').value(1).toInt();
        }
        QWidget* results = Find("ResultsView1");
        QCOMPARE(form_->focusWidget(), results);
        QVERIFY2(Announced(results).startsWith(QString("%1 picks of items 1 to 4.").arg(counted)),
                 qPrintable(Announced(results)));
        QTRY_VERIFY(
            Announced(results, QAccessible::Description).contains("differ more than chance"));

        // Each link opens the file the run wrote, by mouse and from the keyboard.
        UrlRecorder recorder;
        for (const auto& [name, file] :
             {std::pair("Hyperlink1", "data.txt"), std::pair("Hyperlink2", "results.txt"),
              std::pair("Hyperlink3", "sorted_results.txt")}) {
            auto* link = Find<Hyperlink>(name);
            const QString path = QDir::current().absoluteFilePath(file);
            QCOMPARE(link->LinkTarget(), path);
            QTest::mouseClick(link, Qt::LeftButton);
            link->setFocus();
            QTest::keyClick(link, Qt::Key_Return);
            QTest::keyClick(link, Qt::Key_Space);
            const QUrl url = QUrl::fromLocalFile(path);
            QCOMPARE(std::exchange(recorder.opened, {}), QList<QUrl>({url, url, url}));
        }
        QVERIFY(!form_->HasFailed());
    }

    void refusedSetting_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        for (const char* text : {"", "20001", "20000.5", "<a href=\"https://x.example\">X</a>"}) {
            QTest::newRow(text) << "Text2" << text;
        }
        for (const char* text : {"abc", "0.4", "2147483648", "%1"}) {
            QTest::newRow(text) << "Text3" << text;
        }
    }

    // The message names the setting and shows the text as typed, in plain text; the refused box
    // gets the focus back.
    void refusedSetting() {
        QFETCH(QString, box);
        QFETCH(QString, text);
        Open();
        Submit(box == "Text2" ? text : "6", box == "Text3" ? text : "1500");
        QCOMPARE(VisibleControls(), SetupControls);
        QCOMPARE(Notice()->textFormat(), Qt::PlainText);
        const QString setting = box == "Text2" ? "Future Outcomes" : "Interval (ms) for picking";
        QVERIFY2(Notice()->text().startsWith(setting + ": \"" + text + "\""),
                 qPrintable(Notice()->text()));
        Notice()->accept();
        QTRY_VERIFY(Notice() == nullptr);
        // The offscreen platform does not hand activation back from a closed dialog by itself.
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QCOMPARE(QApplication::focusWidget(), Find(box));
    }

    void closeWhilePicking_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("blocked");  // a directory in the way of the sorted results
        QTest::newRow("finish") << "Finish and Close" << false;
        QTest::newRow("finish fails") << "Finish and Close" << true;
        QTest::newRow("no results") << "Close Without Results" << false;
    }

    // The answers to the question a close asks while picking. A failure of the finish takes the
    // usual road, and the wait cursor is gone before it is reported.
    void closeWhilePicking() {
        QFETCH(QString, answer);
        QFETCH(bool, blocked);
        Open();
        Submit("3", "5");
        QVERIFY(!blocked || QDir().mkdir("sorted_results.txt"));
        QSignalSpy failed(form_.get(), &Form1::Failed);
        QTRY_VERIFY(form_->Engine().PickCount >= 3);
        QVERIFY(!form_->close());
        QCOMPARE(Notice()->textFormat(), Qt::PlainText);
        for (QAbstractButton* button : Notice()->buttons()) {
            if (button->text() == answer) {
                QTest::mouseClick(button, Qt::LeftButton);
            }
        }
        QCOMPARE(failed.size(), blocked ? 1 : 0);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        QVERIFY(!Timer()->isActive());
        QCOMPARE(form_->isVisible(), blocked);
        QCOMPARE(ReadFile("data.txt").count('\n'), form_->Engine().PickCount);
        const bool finished = answer == "Finish and Close";
        QCOMPARE(ReadFile("results.txt").count('\n'), finished ? 4 : 0);
        QCOMPARE(ReadFile("sorted_results.txt").count('\n'), finished && !blocked ? 4 : 0);
        if (blocked) {
            QCOMPARE(VisibleControls(), PickingControls);
            // Nothing runs after a failure.
            QTest::mouseClick(Find("Command1"), Qt::LeftButton);
            QCOMPARE(failed.size(), 1);
        }
    }

    // In a folder whose name is not valid text no link can name its file: it says so instead of
    // opening another.
    void aLinkNeverOpensADifferentFile() {
        std::filesystem::create_directory("bad\xff");
        std::filesystem::current_path("bad\xff");
        Open();
        Submit("2", "1500");
        QTest::mouseClick(Find("Command1"), Qt::LeftButton);
        QVERIFY(!Timer()->isActive());
        UrlRecorder recorder;
        QTest::mouseClick(Find("Hyperlink2"), Qt::LeftButton);
        QVERIFY(recorder.opened.isEmpty());
        QVERIFY2(Notice()->text().startsWith("Kelpov cannot open results.txt"),
                 qPrintable(Notice()->text()));
    }
};

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
