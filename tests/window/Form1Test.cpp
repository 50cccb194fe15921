// The window as a user meets it, driven through real events on the offscreen platform.

#include <QAbstractButton>
#include <QAccessible>
#include <QDesktopServices>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSpontaneKeyEvent>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <tuple>
#include <utility>

#include "finish/FairnessWords.h"
#include "finish/Summary.h"
#include "window/Form1.h"
#include "window/Hyperlink.h"
#include "window/results/ResultsView.h"

namespace {

const QStringList SetupControls = {"Command2", "Hyperlink4", "Label1", "Label2", "Text2", "Text3"};
const QStringList PickingControls = {"Command1", "Hyperlink4", "Label3"};
const QStringList FinishedControls = {"Hyperlink1", "Hyperlink2", "Hyperlink3", "Hyperlink4",
                                      "ResultsView1"};
// What an interrupted finish left beside the tables.
const QString Leftover = "results.txt.kelpov-abc123";
using Files = QMap<QString, QByteArray>;

QByteArray ReadFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool WriteFile(const QString& name, const QByteArray& bytes, QIODevice::OpenMode mode = {}) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly | mode) && file.write(bytes) == bytes.size();
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

// While set, the next thread start fails as when the system has no processes to spare: the data
// log's sync thread cannot start, and the standard library throws std::system_error.
std::atomic<bool> refuseNextThread{false};

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument) {
    if (refuseNextThread.exchange(false)) {
        return EAGAIN;
    }
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto create = reinterpret_cast<Create>(::dlsym(RTLD_NEXT, "pthread_create"));
    return create(thread, attributes, start, argument);
}

class Form1Test : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runDirectory_;
    std::unique_ptr<Form1> form_;

    // A shown window, created in the current directory, in Setup. A question at the start takes
    // the activation, so the window is then only waited for to be shown.
    void Open(bool question = false) {
        form_ = std::make_unique<Form1>();
        form_->show();
        QVERIFY(question ? QTest::qWaitForWindowExposed(form_.get())
                         : QTest::qWaitForWindowActive(form_.get()));
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

    // Moves the pointer over the surface until the beats have recorded at least picks.
    void PickWhileMoving(int picks) {
        for (int step = 0; step < 5000 && form_->Engine().PickCount < picks; ++step) {
            MoveTo(QPoint(300 + step * 7 % 200, 400));
            QTest::qWait(2);
        }
        QVERIFY2(form_->Engine().PickCount >= picks, "the beats recorded too few picks");
    }

    // The dialog on top, once it is shown.
    QWidget* Dialog() {
        QWidget* dialog = nullptr;
        [&] { QTRY_VERIFY((dialog = QApplication::activeModalWidget()) != nullptr); }();
        return dialog;
    }

    // A key held as X11 delivers it, to whichever widget has the focus at each moment: a press,
    // then repeats (a release and a press at the same moment, which Qt flags only sometimes), a
    // dialog's time apart, then the release.
    void Hold(Qt::Key held, const QString& text) {
        ulong at = 1000;
        const auto send = [this, &at, held, &text](QEvent::Type type, bool flagged) {
            QKeyEvent key(type, held, {}, text, flagged);
            key.setTimestamp(at);
            QSpontaneKeyEvent::setSpontaneous(&key);
            QWidget* focus = QApplication::focusWidget();
            QApplication::sendEvent(focus != nullptr ? focus : form_.get(), &key);
        };
        send(QEvent::KeyPress, false);
        for (int repeat = 0; repeat < 6; ++repeat) {
            QTest::qWait(30);
            at += 30;
            send(QEvent::KeyRelease, repeat % 2 == 1);
            send(QEvent::KeyPress, repeat % 2 == 1);
        }
        at += 30;
        send(QEvent::KeyRelease, false);
    }

    // One step of the person at the start (unfinishedRunAtStart): the dialog on top asks a text
    // ("asks"), offers these buttons ("offers", | between them), or is the count dialog showing a
    // text ("count"); a button is clicked ("click") or Return held on it ("hold"), a key is pressed
    // ("key"), a count typed and Return pressed ("type"); the results say a text ("says"); Space is
    // held in the focused box, which then holds the text ("hold-space"); another program renames a
    // file over data.txt ("replace").
    void Step(const QString& verb, const QString& text) {
        if (verb == "replace") {
            QVERIFY(WriteFile("other", " 2 \r\n"));
            std::filesystem::rename("other", "data.txt");
            return;
        }
        if (verb == "hold-space") {
            form_->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(form_.get()));
            Hold(Qt::Key_Space, " ");
            QCOMPARE(Find<QLineEdit>("Text2")->text(), text);
            return;
        }
        if (verb == "says") {
            QTRY_VERIFY2(Announced(Find("ResultsView1"), QAccessible::Description).contains(text),
                         qPrintable(Announced(Find("ResultsView1"), QAccessible::Description)));
            return;
        }
        QWidget* dialog = Dialog();
        auto* box = qobject_cast<QMessageBox*>(dialog);
        auto* count = qobject_cast<QInputDialog*>(dialog);
        QVERIFY2(box != nullptr || count != nullptr, qPrintable(verb + " " + text));
        if (verb == "asks") {
            QVERIFY2(box != nullptr && box->text().contains(text), qPrintable(text));
            QCOMPARE(box->textFormat(), Qt::PlainText);
        } else if (verb == "offers") {
            QStringList buttons;
            for (QAbstractButton* button : box->buttons()) {
                buttons << button->text();
            }
            QCOMPARE(buttons.join('|'), text);
        } else if (verb == "count") {
            QVERIFY(count != nullptr);
            QCOMPARE(count->textValue(), text);
        } else if (verb == "click" || verb == "hold") {
            QVERIFY(box != nullptr);
            QAbstractButton* button = nullptr;
            for (QAbstractButton* each : box->buttons()) {
                button = each->text() == text ? each : button;
            }
            QVERIFY2(button != nullptr, qPrintable(text));
            if (verb == "click") {
                QTest::mouseClick(button, Qt::LeftButton);
            } else {
                button->setFocus();
                Hold(Qt::Key_Return, "\r");
            }
        } else if (verb == "key") {
            if (text == "Ctrl+Q") {
                QTest::keyClick(dialog, Qt::Key_Q, Qt::ControlModifier);
            } else {
                QTest::keyClick(dialog, text == "Return" ? Qt::Key_Return : Qt::Key_Escape);
            }
        } else if (verb == "type") {
            QVERIFY(count != nullptr);
            count->setTextValue(text);
            QTest::keyClick(count, Qt::Key_Return);
        }
    }

    // Every file of the current folder with its bytes, "(folder)" for a folder.
    Files Folder() {
        Files files;
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            const QString name = QString::fromStdString(entry.path().filename().string());
            files[name] = entry.is_directory() ? QByteArray("(folder)") : ReadFile(name);
        }
        return files;
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

    // At 96 dots per inch, and at 144 where a larger font is set (QT_FONT_DPI, a test of its own):
    // twips are 1/1440 inch at either, so every caption fits its box.
    void initialWindow() {
        Open();
        const int dpi = form_->logicalDpiY();
        const auto px = [dpi](QRect twips) {
            return QRect(twips.x() * dpi / 1440, twips.y() * dpi / 1440,
                         twips.width() * dpi / 1440, twips.height() * dpi / 1440);
        };
        QCOMPARE(form_->windowTitle(), QString("Kelpov1.0"));
        QCOMPARE(form_->size(), dpi == 96 ? QSize(687, 497) : QSize(1030, 745));
        QCOMPARE(form_->palette().color(QPalette::Window),
                 QGuiApplication::palette().color(QPalette::Highlight));
        QCOMPARE(VisibleControls(), SetupControls);
        const std::tuple<const char*, QRect, QString> controls[] = {
            {"Label2", {480, 960, 2535, 495}, "Interval (ms) for picking"},
            {"Command1", {9240, 600, 975, 495}, "Finish"},
            {"Hyperlink3", {2880, 4680, 3615, 375}, "Open Sorted results file"},
            {"Hyperlink4", {5880, 120, 4335, 255}, "Kelpov 1.0, made with Qt"}};
        for (const auto& [name, twips, text] : controls) {
            QWidget* control = Find(name);
            const QRect geometry = px(twips);
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
        for (QWidget* control = Find("Text1"); tabOrder.size() < 16;
             control = control->nextInFocusChain()) {
            if (control->focusPolicy() & Qt::TabFocus) {
                tabOrder << control->objectName();
            }
        }
        QCOMPARE(tabOrder,
                 QStringList({"Text1", "Command1", "Text2", "Command2", "Text3", "Hyperlink1",
                              "Hyperlink2", "Hyperlink3", "ResultsView1", "Verdict", "Basis",
                              "Summary", "Details", "DetailsText", "ItemTable1", "Hyperlink4"}));

        // What a screen reader announces: each box by its label, the credit as a link.
        QCOMPARE(Announced(Find("Text2")), "Future Outcomes :");
        QCOMPARE(Announced(Find("Text3")), "Interval (ms) for picking");
        auto* credit = Find<Hyperlink>("Hyperlink4");
        QCOMPARE(QAccessible::queryAccessibleInterface(credit)->role(), QAccessible::Link);
        QCOMPARE(Announced(credit), credit->text());
        QCOMPARE(Announced(credit, QAccessible::Description), credit->LinkTarget());
    }

    // Movement over the window's own surface draws; over a control, or with a count some stage of
    // the run could not take, it draws nothing.
    void drawsFromTheSurfaceOnly() {
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
        QCOMPARE(form_->Engine().CurrentPick, first);
        Type("40000", "3");
        for (int x = 400; x < 500; x += 5) {
            MoveTo(QPoint(x, 300));
        }
        QCOMPARE(form_->Engine().CurrentPick, first);
    }

    // From the outcome count "Submit" is a Tab away, and Return presses it; the held Return's
    // repeats do not press "Finish", which has the focus next.
    void submitFromTheKeyboard() {
        Open();
        Type("4", "3");
        QTest::mouseClick(Find("Text2"), Qt::LeftButton);
        QTest::keyClick(Find("Text2"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Find("Command2"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(VisibleControls(), PickingControls);
        QVERIFY(Timer()->isActive());
        QCOMPARE(Timer()->interval(), 3);
        QCOMPARE(QApplication::focusWidget(), Find("Command1"));
        QTest::simulateEvent(form_->windowHandle(), true, Qt::Key_Return, {}, "\r", true);
        QCOMPARE(VisibleControls(), PickingControls);
    }

    // Every beat shows and records the current pick; movement over the surface and the arrow keys
    // draw anew, and the count line follows the beats.
    void beatsRecordWhatThePointerAndArrowsDraw() {
        Open();
        Submit("4", "3");
        const Picker& picker = form_->Engine();
        QSet<int> drawn;
        for (int step = 0; step < 5000 && picker.PickCount < 30; ++step) {
            MoveTo(QPoint(300 + step % 200, 400));
            drawn << picker.CurrentPick;
            QTest::qWait(1);
        }
        QCOMPARE(drawn, QSet<int>({1, 2, 3, 4}));
        QTRY_VERIFY(Announced(Find("Label3")).section(" picks recorded", 0, 0).toInt() >= 30);
        QSet<int> keyed;
        for (int press = 0; press < 100; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(Qt::Key_Left + press % 4));
            keyed << picker.CurrentPick;
        }
        QCOMPARE(keyed, QSet<int>({1, 2, 3, 4}));
        QCOMPARE(QApplication::focusWidget(), Find("Command1"));
        Timer()->stop();
        QCOMPARE(ReadFile("data.txt").count('\n'), picker.PickCount);
        QCOMPARE(Find<QLineEdit>("Text1")->text(), QString::number(picker.Picks[picker.PickCount]));
    }

    // At a beat as fast as the event loop goes the store fills: the beats stop and say so. The run
    // still has no results, so a close still asks; "Finish" from the keyboard gives them, and each
    // link opens the file the run wrote, by mouse and from the keyboard.
    void aFullStoreThenFinishFromTheKeyboard() {
        Open();
        Submit("4", "1");
        MoveTo(QPoint(300, 400));  // one draw, then the pointer rests
        const Picker& picker = form_->Engine();
        Timer()->setInterval(0);
        QTRY_COMPARE_WITH_TIMEOUT(picker.PickCount, Picker::PickStoreLimit, 30000);
        QVERIFY(!Timer()->isActive());
        QVERIFY(Notice()->text().contains("store is full"));
        Notice()->accept();
        QCOMPARE(ReadFile("data.txt").count('\n'), Picker::PickStoreLimit);
        QCOMPARE(Announced(Find("Label3")), "20000 picks recorded");
        QTRY_VERIFY(Notice() == nullptr);
        QVERIFY(!form_->close());
        QVERIFY(Notice()->text().startsWith("Finish the run before closing?"));
        QTest::keyClick(Notice(), Qt::Key_Escape);
        QTRY_VERIFY(Notice() == nullptr);

        QTest::keyClick(Find("Command1"), Qt::Key_Enter);
        QCOMPARE(VisibleControls(), FinishedControls);
        QVERIFY(!Timer()->isActive());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        QCOMPARE(ReadFile("results.txt").count('\n'), 5);
        QWidget* results = Find("ResultsView1");
        QCOMPARE(form_->focusWidget(), results);
        // The store filled while the pointer rested on one item: the reading, when it comes, says
        // why it cannot judge, instead of calling the generator unfair.
        QTRY_VERIFY2(Announced(results, QAccessible::Description).contains("never change item"),
                     qPrintable(Announced(results, QAccessible::Description)));

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

    void keys_data() {
        QTest::addColumn<QString>("stage");
        QTest::addColumn<int>("key");
        QTest::newRow("F1 in Setup") << "Setup" << int(Qt::Key_F1);
        QTest::newRow("F1 while picking") << "Picking" << int(Qt::Key_F1);
        QTest::newRow("Ctrl+Q in Setup") << "Setup" << int(Qt::Key_Q);
        QTest::newRow("Ctrl+Q while picking") << "Picking" << int(Qt::Key_Q);
        QTest::newRow("Ctrl+Q when finished") << "Finished" << int(Qt::Key_Q);
    }

    // F1 tells what Kelpov is for, its keys, its version and licence and where its manual is;
    // Ctrl+Q closes as a close does: at once, but while picking only after the question. Neither
    // changes the window; Escape leaves what they open.
    void keys() {
        QFETCH(QString, stage);
        QFETCH(int, key);
        Open();
        if (stage != "Setup") {
            Submit("3", "5");
        }
        if (stage == "Finished") {
            QTest::mouseClick(Find("Command1"), Qt::LeftButton);
        }
        const QStringList controls = VisibleControls();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                        key == Qt::Key_Q ? Qt::ControlModifier : Qt::NoModifier);
        if (key == Qt::Key_Q && stage != "Picking") {
            QVERIFY(!form_->isVisible());
            return;
        }
        QTRY_VERIFY(Notice() != nullptr && Notice()->isVisible());
        QCOMPARE(Notice()->textFormat(), Qt::PlainText);
        if (key == Qt::Key_F1) {
            QCOMPARE(Announced(Notice()), "About Kelpov");
            for (const char* told : {"Kelpov draws random numbers", "\nCtrl+Q: ", "\nF1: ",
                                     "Kelpov " KELPOV_VERSION ", under the MIT licence",
                                     "man kelpov", "/usr/share/doc/kelpov"}) {
                QVERIFY2(Notice()->text().contains(told), told);
            }
        } else {
            QVERIFY(Notice()->text().startsWith("Finish the run before closing?"));
        }
        QTest::keyClick(Notice(), Qt::Key_Escape);
        QTRY_VERIFY(Notice() == nullptr);
        QVERIFY(form_->isVisible());
        QCOMPARE(VisibleControls(), controls);
        QCOMPARE(Timer()->isActive(), stage == "Picking");
    }

    void closeWhilePicking_data() {
        QTest::addColumn<QString>("answer");   // a button's text, or Escape
        QTest::addColumn<QString>("trouble");  // what happens to the files first
        QTest::addColumn<bool>("fails");
        QTest::addColumn<int>("tables");  // lines of results.txt and sorted_results.txt
        QTest::newRow("finish") << "Finish and Close"
                                << "" << false << 4;
        QTest::newRow("finish fails") << "Finish and Close"
                                      << "sorted blocked" << true << 4;
        QTest::newRow("no results") << "Close Without Results"
                                    << "" << false << 0;
        // The log is ended as at "Finish", so its failures are reported too.
        QTest::newRow("no results, log deleted") << "Close Without Results"
                                                 << "log deleted" << true << 0;
        QTest::newRow("cancel") << "Escape"
                                << "" << false << 0;
    }

    // The answers to the question a close asks while picking; the beats go on while it asks. A
    // failure takes the usual road, and the wait cursor is gone before it is reported.
    void closeWhilePicking() {
        QFETCH(QString, answer);
        QFETCH(QString, trouble);
        QFETCH(bool, fails);
        QFETCH(int, tables);
        Open();
        Submit("3", "5");
        QVERIFY(trouble != "sorted blocked" || QDir().mkdir("sorted_results.txt"));
        QSignalSpy failed(form_.get(), &Form1::Failed);
        const Picker& picker = form_->Engine();
        QTRY_VERIFY(picker.PickCount >= 3);
        QVERIFY(trouble != "log deleted" || QFile::remove("data.txt"));
        QVERIFY(!form_->close());
        QCOMPARE(Notice()->textFormat(), Qt::PlainText);
        const int asked = picker.PickCount;
        QTRY_VERIFY(picker.PickCount > asked);
        Step(answer == "Escape" ? "key" : "click", answer);
        QTRY_VERIFY(!Notice() || !Notice()->isVisible());
        QCOMPARE(failed.size(), fails ? 1 : 0);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        QCOMPARE(Timer()->isActive(), answer == "Escape");
        QCOMPARE(form_->isVisible(), fails || answer == "Escape");
        if (answer == "Escape") {
            Timer()->stop();
        }
        QCOMPARE(ReadFile("data.txt").count('\n'), trouble == "log deleted" ? 0 : picker.PickCount);
        QCOMPARE(ReadFile("results.txt").count('\n'), tables);
        QCOMPARE(ReadFile("sorted_results.txt").count('\n'),
                 trouble == "sorted blocked" ? 0 : tables);
        if (fails) {
            QCOMPARE(VisibleControls(), PickingControls);
            // Nothing runs after a failure.
            QTest::mouseClick(Find("Command1"), Qt::LeftButton);
            QCOMPARE(failed.size(), 1);
        }
    }

    void unfinishedRunAtStart_data() {
        QTest::addColumn<QByteArray>("log");     // "(folder)" for a folder
        QTest::addColumn<QString>("tables");     // none, older or newer than the log, or "cut off"
        QTest::addColumn<QStringList>("steps");  // what the person meets and does (Step)
        QTest::addColumn<Files>("after");        // every file of the folder afterwards
        QTest::addColumn<QStringList>("controls");  // visible afterwards; none once closed

        const QByteArray log = " 1 \r\n 3 \r\n 3 \r\n 2 \r\n 0 \r\n";
        const QByteArray earlier = "Item      Quantity\r\n 1  9 \r\n";
        const Files untouched = {{"data.txt", log}, {Leftover, "x"}};
        const Files emptied = {{"data.txt", ""}};
        const Files older = {{"results.txt", earlier}, {"sorted_results.txt", earlier}};
        const Files three = {
            {"results.txt", "Item      Quantity\r\n 1  1 \r\n 2  1 \r\n 3  2 \r\n"},
            {"sorted_results.txt", "Item      Quantity\r\n 3  2 \r\n 1  1 \r\n 2  1 \r\n"}};
        const Files none = {{"results.txt", "Item      Quantity\r\n"},
                            {"sorted_results.txt", "Item      Quantity\r\n"}};
        const QStringList closed, failed = {"(failed)"};
        const auto with = [](Files files, const Files& more) {
            files.insert(more);
            return files;
        };
        // clang-format off
        QTest::newRow("no log") << QByteArray("(none)") << "none" << QStringList() << emptied
            << SetupControls;
        QTest::newRow("finished run") << log << "newer" << QStringList() << with(emptied, older)
            << SetupControls;
        // Only a torn line: no pick to offer.
        QTest::newRow("torn line") << QByteArray(" 1") << "none" << QStringList() << emptied
            << SetupControls;
        // Never read, and never set aside.
        QTest::newRow("a folder") << QByteArray("(folder)") << "none" << QStringList()
            << Files{{"data.txt", "(folder)"}} << failed;
        QTest::newRow("Return quits") << log << "none" << QStringList{
            "asks:holds 5 picks of a run that never reached \"Finish\", last written",
            "offers:Finish That Run\u2026|Quit|Start a New Run", "key:Return"} << untouched << closed;
        QTest::newRow("a finish cut off between the tables, Escape") << log << "cut off"
            << QStringList{"asks:5 picks", "key:Escape"} << with(untouched, older) << closed;
        QTest::newRow("Ctrl+Q quits") << log << "none" << QStringList{"key:Ctrl+Q"} << untouched
            << closed;
        QTest::newRow("new run") << log << "older" << QStringList{"click:Start a New Run"}
            << with(emptied, older) << SetupControls;
        // A held key answers one dialog; Cancel goes back to the question; a refused count and a
        // count under the highest item come back as typed; picks of 0 are never asked about.
        QTest::newRow("finish that run") << log + " 2" << "older" << QStringList{
            "hold:Finish That Run\u2026", "count:3", "key:Escape", "asks:5 picks",
            "click:Finish That Run\u2026", "type:40000", "asks:\"40000\"", "key:Return",
            "count:40000", "type:2.4", "asks:2.4 outcomes the tables count items 1 to 2: 2 "
            "recorded picks of that run, of items up to 3, would be left out", "key:Return",
            "count:2.4", "type:3", "says:Line 6 of data.txt was cut off before its end and is not "
            "counted."} << with({{"data.txt", log + " 2"}}, three) << FinishedControls;
        QTest::newRow("leave picks out") << log << "none" << QStringList{
            "click:Finish That Run\u2026", "type:-1", "asks:count no item: 4 recorded picks",
            "click:Leave Them Out"} << with({{"data.txt", log}}, none) << FinishedControls;
        QTest::newRow("replaced while asked") << log << "none" << QStringList{
            "replace", "click:Finish That Run\u2026", "type:3"}
            << Files{{"data.txt", " 2 \r\n"}, {Leftover, "x"}} << failed;
        QTest::newRow("not a log, Return quits") << QByteArray("milk\r\n") << "none" << QStringList{
            "asks:is not a log Kelpov could have written", "offers:Quit|Start a New Run",
            "key:Return"} << Files{{"data.txt", "milk\r\n"}, {Leftover, "x"}} << closed;
        // The key that answered is kept from the notice; a new press ends that, and keys repeat.
        QTest::newRow("not a log, new run") << QByteArray("milk\r\n") << "none" << QStringList{
            "hold:Start a New Run", "asks:under the name \"data.txt.1\"", "key:Return",
            "hold-space:2       "}
            << with(emptied, {{"data.txt.1", "milk\r\n"}}) << SetupControls;
        // Kept also where no question is asked.
        QTest::newRow("not a log, tables newer") << log + "milk\r\n" << "newer" << QStringList{
            "asks:under the name \"data.txt.1\""}
            << with(with(emptied, older), {{"data.txt.1", log + "milk\r\n"}}) << SetupControls;
        // clang-format on
    }

    // A log of a run that never reached "Finish" is offered back before anything is emptied or
    // written; the answer decides. Finishing that run writes the tables as kelpov --finish does.
    // Nothing goes on, not even the sweep of an earlier finish's leftovers, until the person
    // chooses to; a file no run could have written is never emptied.
    void unfinishedRunAtStart() {
        QFETCH(QByteArray, log);
        QFETCH(QString, tables);
        QFETCH(QStringList, steps);
        QFETCH(Files, after);
        QFETCH(QStringList, controls);
        namespace fs = std::filesystem;
        QVERIFY(log == "(none)" || log == "(folder)" || WriteFile("data.txt", log));
        QVERIFY(log != "(folder)" || QDir().mkpath("data.txt/inside"));
        QVERIFY(WriteFile(Leftover, "x"));
        for (const char* table : {"results.txt", "sorted_results.txt"}) {
            if (tables != "none") {
                QVERIFY(WriteFile(table, "Item      Quantity\r\n 1  9 \r\n"));
                const bool newer = tables == "newer" || (tables == "cut off" && table[0] == 'r');
                const auto logTime = fs::last_write_time("data.txt");
                fs::last_write_time(table, logTime + std::chrono::seconds(newer ? 5 : -5));
            }
        }
        Open(!steps.isEmpty());
        if (steps.isEmpty()) {
            QCoreApplication::processEvents();
            QVERIFY(QApplication::activeModalWidget() == nullptr);
        }
        for (const QString& step : steps) {
            Step(step.section(':', 0, 0), step.section(':', 1));
            QVERIFY2(!QTest::currentTestFailed(), qPrintable(step));
        }
        QTRY_COMPARE(form_->isVisible(), !controls.isEmpty());
        QCOMPARE(form_->HasFailed(), controls == QStringList("(failed)"));
        if (!controls.isEmpty() && !form_->HasFailed()) {
            QTRY_COMPARE(VisibleControls(), controls);
        }
        QCOMPARE(Folder(), after);
    }

    // A second Kelpov in the folder is refused before it asks anything.
    void aSecondKelpovIsRefusedBeforeAnyQuestion() {
        Open();
        QVERIFY(WriteFile("data.txt", " 1 \r\n", QIODevice::Append));
        const Form1 second;
        QVERIFY(second.HasFailed());
        QCoreApplication::processEvents();
        QVERIFY(second.findChild<QMessageBox*>() == nullptr);
        QCOMPARE(ReadFile("data.txt"), QByteArray(" 1 \r\n"));
    }

    // An exception that is not one of the run's own failures is reported as one all the same,
    // instead of ending the program without a word.
    void anyExceptionIsReported() {
        refuseNextThread = true;
        const Form1 form;
        QVERIFY(!refuseNextThread);
        QVERIFY(form.HasFailed());
    }

    // While picking, the count is a status and the hidden debug box is never heard of: no window
    // lists it, and an event about it has no interface to reach a screen reader by. At "Finish",
    // the wait pointer, not a busy one; the reading a moment after.
    void finishingAsAScreenReaderHearsIt() {
        Open();
        Submit("3", "5");
        PickWhileMoving(20);
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
        const ReadingWords reading =
            FairnessWords(JudgeFairness(picker.Picks.Slots(1, picker.PickCount), "3"));
        QWidget* results = Find("ResultsView1");
        QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(results);
        QVERIFY(chart->text(QAccessible::Name) != QString::fromStdString(reading.verdict));
        QTRY_COMPARE(chart->text(QAccessible::Name), QString::fromStdString(reading.verdict));
        QCOMPARE(chart->text(QAccessible::Description),
                 QString::fromStdString(reading.basis + " " + SummaryText(Summarize(picker, "3"))));
    }

    // Never smaller than laid out; larger, the results grow around the shown controls, and every
    // control keeps its place. The chart has its fair band.
    void growing() {
        Open();
        Submit("3", "5");
        PickWhileMoving(20);
        QTest::mouseClick(Find("Command1"), Qt::LeftButton);
        auto* results = Find<ResultsView>("ResultsView1");
        QVERIFY(!results->Chart().band.empty());
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
