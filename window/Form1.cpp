#include "window/Form1.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QtConcurrent/QtConcurrentRun>

#include <climits>
#include <filesystem>
#include <limits>
#include <optional>

#include "common/Conversions.h"
#include "common/Failure.h"
#include "finish/FairRange.h"
#include "finish/FairnessWords.h"
#include "finish/Finish.h"
#include "finish/FinishFromLog.h"
#include "finish/Summary.h"
#include "window/AboutKelpov.h"
#include "window/AccessibleRoles.h"
#include "window/FocusRing.h"
#include "window/Hyperlink.h"
#include "window/KeyRepeat.h"
#include "window/Notices.h"
#include "window/Recovery.h"
#include "window/results/ResultsView.h"

namespace {

// The layout is given in twips, 1440 to the inch: at the screen's logical dots per inch, so 15 to
// a pixel at 96 dpi and 10 where a larger font setting makes it 144, as the captions' points grow.
// Qt's high-dpi scaling takes it from there.
int Px(const QWidget* widget, int twips) {
    return twips * widget->logicalDpiY() / 1440;
}

template <class Control>
Control* Place(Control* control, const char* name, int left, int top, int width, int height,
               bool visible) {
    control->setObjectName(QLatin1String(name));
    control->setGeometry(Px(control, left), Px(control, top), Px(control, width),
                         Px(control, height));
    control->setVisible(visible);
    // Movement over a control belongs to that control, not to the surface behind it.
    control->setAttribute(Qt::WA_NoMousePropagation);
    return control;
}

// "MS Sans Serif" where it is installed; elsewhere a sans-serif of the same size, preferably one
// of the narrow Arial-like faces, in which the captions fit their boxes as they do in MS Sans
// Serif.
QFont SansSerif(qreal points, QFont::Weight weight) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arimo"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

QLabel* SettingLabel(const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setFont(SansSerif(12, QFont::Normal));
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(colours);
    return label;
}

// Return and Enter press it as Space does: outside a dialog only an auto-default button takes them.
// A held key presses it once, as a held Space does; its repeats would press whichever button takes
// the focus next, as "Finish" does after "Submit".
class Button : public QPushButton {
public:
    Button(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
        setAutoDefault(true);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (!enter || !repeat_.IsRepeat(event)) {
            QPushButton::keyPressEvent(event);
        }
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        repeat_.Released(event);
        QPushButton::keyReleaseEvent(event);
    }

private:
    KeyRepeat repeat_;
};

Hyperlink* FileLink(const QString& caption, QWidget* parent) {
    auto* link = new Hyperlink(caption, QColor(255, 255, 128), Qt::black, parent);
    link->setFont(SansSerif(13.5, QFont::Bold));
    return link;
}

// The wait pointer for as long as it lives, restored on every way out, a failure's too: a failure's
// report must not show a busy pointer.
class WaitPointer {
public:
    WaitPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitPointer() { QGuiApplication::restoreOverrideCursor(); }
    WaitPointer(const WaitPointer&) = delete;
    WaitPointer& operator=(const WaitPointer&) = delete;
};

// The beat in milliseconds, when the text gives one the timer can keep.
std::optional<int> ReadInterval(const QString& text) {
    try {
        const std::int32_t milliseconds = TextToInt32(text.toStdString());
        if (milliseconds >= 1) {
            return milliseconds;
        }
    } catch (const Failure&) {
    }
    return std::nullopt;
}

// What a link to a file of the current directory opens: its absolute path, or the bare name when
// no other program could be given that path exactly (longer than the system takes, or not valid
// text in the encoding of file names), so that the link never opens a different file.
QString LinkTargetOf(const char* name) {
    std::error_code error;
    const std::string path = (std::filesystem::current_path(error) / name).native();
    const QString text = QFile::decodeName(path.c_str());
    if (error || path.size() >= PATH_MAX || QFile::encodeName(text).toStdString() != path) {
        return QString::fromLatin1(name);
    }
    return QDir::toNativeSeparators(text);
}

}  // namespace

Form1::Form1(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kelpov1.0"));
    // At least the size its controls were laid out for; larger gives the results more room.
    setMinimumSize(Px(this, 10305), Px(this, 7455));
    resize(minimumSize());
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Highlight));
    setPalette(colours);
    setAutoFillBackground(true);
    setMouseTracking(true);

    // Created in tab order.
    Text1 =
        Place(new QLineEdit(QStringLiteral("debuger"), this), "Text1", 3240, 2280, 975, 495, false);
    // Never shown: a screen reader would hear of its text changing at every beat.
    LeaveOut(Text1);
    Command1 =
        Place(new Button(QStringLiteral("Finish"), this), "Command1", 9240, 600, 975, 495, false);
    Label1 = Place(SettingLabel(QStringLiteral("Future Outcomes :"), this), "Label1", 480, 360,
                   2295, 375, true);
    Text2 = Place(new QLineEdit(QStringLiteral("2"), this), "Text2", 3240, 360, 1215, 375, true);
    Command2 =
        Place(new Button(QStringLiteral("Submit"), this), "Command2", 3240, 1560, 1215, 375, true);
    Label2 = Place(SettingLabel(QStringLiteral("Interval (ms) for picking"), this), "Label2", 480,
                   960, 2535, 495, true);
    Text3 = Place(new QLineEdit(QStringLiteral("1500"), this), "Text3", 3240, 960, 1215, 375, true);
    Hyperlink1 = Place(FileLink(QStringLiteral("Open Data file"), this), "Hyperlink1", 2880, 3480,
                       3615, 375, false);
    Hyperlink2 = Place(FileLink(QStringLiteral("Open Results file"), this), "Hyperlink2", 2880,
                       4080, 3615, 375, false);
    Hyperlink3 = Place(FileLink(QStringLiteral("Open Sorted results file"), this), "Hyperlink3",
                       2880, 4680, 3615, 375, false);
    Hyperlink4 = Place(new Hyperlink(tr("Kelpov 1.0, made with Qt"), Qt::blue, Qt::white, this),
                       "Hyperlink4", 5880, 120, 4335, 255, true);
    Hyperlink4->setFont(SansSerif(8.25, QFont::Normal));
    Hyperlink4->SetLinkTarget(QStringLiteral("https://www.qt.io/"));
    // Where the settings were. The pointer moves through it: the surface under it still draws.
    Label3 = Place(SettingLabel(QString(), this), "Label3", 480, 360, 5400, 375, false);
    Label3->setAttribute(Qt::WA_TransparentForMouseEvents);
    // A status that a screen reader can find and read out, as a status bar's.
    ShowAsStatus(Label3);
    // All the space below the credit link, as large as the window grows (resizeEvent), going
    // around the file links above which it lies.
    ResultsView1 = Place(new ResultsView(this), "ResultsView1", 120, 480, 10065, 6855, false);
    ResultsView1->lower();
    ResultsView1->KeepClear(
        Hyperlink1->geometry().united(Hyperlink3->geometry()).translated(-ResultsView1->pos()));

    // Screen readers announce each box by the caption of its label.
    Label1->setBuddy(Text2);
    Label2->setBuddy(Text3);
    new FocusRing(this);

    QList<QWidget*> tabOrder = {Text1,      Command1,   Text2,      Command2,    Text3,
                                Hyperlink1, Hyperlink2, Hyperlink3, ResultsView1};
    tabOrder << ResultsView1->TabStops() << Hyperlink4;
    for (qsizetype k = 1; k < tabOrder.size(); ++k) {
        setTabOrder(tabOrder[k - 1], tabOrder[k]);
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(1500);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(100);

    connect(Command2, &QPushButton::clicked, this, &Form1::Submit);
    connect(Timer1, &QTimer::timeout, this, &Form1::Beat);
    connect(Command1, &QPushButton::clicked, this, &Form1::FinishRun);
    connect(Timer2, &QTimer::timeout, this, &Form1::ShowPickCount);
    // While picking the arrow keys draw as the pointer does, so that a run from the keyboard alone
    // records real items. As shortcuts they come before the focused button, which would move the
    // focus with them; as shortcuts of "Finish" they work only while it is shown.
    for (const Qt::Key arrow : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
        new QShortcut(arrow, Command1, [this] { DrawFromSurface(); });
    }
    // The keys every desktop program has: Ctrl+Q quits as a close does (asking first while
    // picking), F1 tells what Kelpov is and which keys it has.
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this, this, &QWidget::close);
    new QShortcut(Qt::Key_F1, this, [this] { ShowAboutKelpov(this); });

    Load();
    Text2->setFocus();
}

template <class Steps>
void Form1::Handle(Steps steps) noexcept {
    // After a failure the program is ending: nothing more runs.
    if (failed_) {
        return;
    }
    try {
        steps();
    } catch (...) {
        // Any exception, not only a run's own failures: none may cross the event loop.
        const Failure failure = CurrentFailure();
        failed_ = true;
        StopBeats();
        ReportFailure(this, failure);
        emit Failed();
    }
}

// The beats, and the count line that follows them.
void Form1::StopBeats() {
    Timer1->stop();
    Timer2->stop();
}

bool Form1::IsSetup() const {
    return Command2->isVisibleTo(this);
}

bool Form1::IsPicking() const {
    return Command1->isVisibleTo(this);
}

// The folder is taken first, so that a second Kelpov is refused before anything else; a log of a
// run that never reached "Finish" is offered back before it is emptied.
void Form1::Load() {
    std::optional<UnfinishedRun> unfinished;
    Handle([&] {
        picker_.TakeFolder();
        unfinished = FindUnfinishedRun(picker_);
    });
    if (failed_) {
        return;
    }
    if (!unfinished) {
        StartRun();
        return;
    }
    auto* recovery = new Recovery(this, *unfinished);
    connect(recovery, &Recovery::StartNewRun, this, [this] {
        StartRun();
        Text2->setFocus();
    });
    connect(recovery, &Recovery::Quit, this, &QWidget::close);
    connect(recovery, &Recovery::FinishThatRun, this, &Form1::FinishEarlierRun);
}

// Opens the log, and says where a "data.txt" that no run wrote has been kept.
void Form1::StartRun() {
    Handle([this] { picker_.OpenLog(); });
    if (!failed_ && !picker_.LogSetAside().empty()) {
        ShowNotice(this, QMessageBox::Information,
                   tr("The \"data.txt\" found here is not a log Kelpov could have written, so it "
                      "is kept as it was, under the name \"%1\" in this folder. The picks of "
                      "this run go into a new, empty \"data.txt\".")
                       .arg(QString::fromLocal8Bit(picker_.LogSetAside().c_str())));
    }
}

void Form1::resizeEvent(QResizeEvent* /*event*/) {
    const QPoint corner = ResultsView1->pos();
    ResultsView1->resize(width() - 2 * corner.x(), height() - corner.y() - corner.x());
}

void Form1::mouseMoveEvent(QMouseEvent* /*event*/) {
    DrawFromSurface();
}

void Form1::DrawFromSurface() {
    const std::string outcomes = Text2->text().toStdString();
    // While the settings are open a half-typed or unusable count draws nothing; "Submit" accepts
    // only a usable one, so the draws after it cannot fail on the text.
    if (IsSetup() && !IsWorkableOutcomeCount(outcomes)) {
        return;
    }
    Handle([&] { picker_.Draw(outcomes); });
}

void Form1::Submit() {
    Handle([this] {
        if (!IsWorkableOutcomeCount(Text2->text().toStdString())) {
            Refuse(
                Text2,
                tr("Future Outcomes: %1")
                    .arg(QString::fromStdString(OutcomeCountRefusal(Text2->text().toStdString()))));
            return;
        }
        const std::optional<int> interval = ReadInterval(Text3->text());
        if (!interval) {
            Refuse(Text3,
                   tr("Interval (ms) for picking: \"%1\" is not an interval the timer "
                      "can keep. Enter a number of milliseconds from 1 to %2.")
                       .arg(Text3->text(), QString::number(std::numeric_limits<int>::max())));
            return;
        }
        Timer1->setInterval(*interval);
        Text3->hide();
        Label2->hide();
        Timer1->start();
        Label1->hide();
        Text2->hide();
        Command2->hide();
        Command1->show();
        Command1->setFocus();
        ShowPickCount();
        Label3->show();
        Timer2->start();
    });
}

void Form1::Refuse(QLineEdit* setting, const QString& message) {
    setting->setFocus();
    setting->selectAll();
    ShowNotice(this, QMessageBox::Warning, message);
}

void Form1::Beat() {
    Handle([this] {
        Text1->setText(QString::fromStdString(Int16ToText(picker_.CurrentPick)));
        picker_.Record();
        if (picker_.PickCount == Picker::PickStoreLimit) {
            StopBeats();
            ShowPickCount();
            ShowNotice(this, QMessageBox::Information,
                       tr("The store is full: %1 picks are recorded. Press \"Finish\" for the "
                          "results.")
                           .arg(Picker::PickStoreLimit));
        }
    });
}

// A label ignores a text it already shows, so a tick without new picks costs nothing.
void Form1::ShowPickCount() {
    const int picks = picker_.PickCount;
    Label3->setText(picks == 1 ? tr("1 pick recorded") : tr("%1 picks recorded").arg(picks));
}

void Form1::FinishRun() {
    Handle([this] {
        const WaitPointer waiting;
        StopBeats();
        const std::string outcomes = Text2->text().toStdString();
        Finish(picker_, outcomes);
        ShowResults(outcomes);
    });
}

// The results of the run whose picks a start found in "data.txt", written as kelpov --finish
// writes them.
void Form1::FinishEarlierRun(const QString& outcomes) {
    Handle([&] {
        const WaitPointer waiting;
        const std::optional<int> cutOffLine = FinishFromLog(picker_, outcomes.toStdString());
        for (QWidget* setting :
             std::initializer_list<QWidget*>{Label1, Text2, Label2, Text3, Command2}) {
            setting->hide();
        }
        ShowResults(outcomes.toStdString(), cutOffLine);
    });
}

void Form1::ShowResults(const std::string& outcomes, std::optional<int> cutOffLine) {
    // The files were written into the current directory.
    Hyperlink1->SetLinkTarget(LinkTargetOf(Picker::DataLogName));
    Hyperlink2->SetLinkTarget(LinkTargetOf(ResultsName));
    Hyperlink3->SetLinkTarget(LinkTargetOf(SortedResultsName));
    Hyperlink1->show();
    Hyperlink2->show();
    Hyperlink3->show();
    Label3->hide();
    Summary summary = Summarize(picker_, outcomes);
    summary.cutOffLine = cutOffLine;
    ResultsView1->SetSummary(summary,
                             FairRangeOf(picker_.Picks.Slots(1, picker_.PickCount), summary));
    JudgeFairnessLater(outcomes);
    ResultsView1->show();
    Command1->hide();
    // A screen reader reads the summary and the fairness reading at once.
    ResultsView1->setFocus();
}

// The fairness reading can take a while with many items: it is worked out on another thread, from
// a copy of the picks, and shown when it comes. A window closed before then stops it and drops it.
void Form1::JudgeFairnessLater(const std::string& outcomes) {
    const std::span<const Int16> recorded = picker_.Picks.Slots(1, picker_.PickCount);
    auto* reading = new QFutureWatcher<ReadingWords>(this);
    connect(reading, &QFutureWatcher<ReadingWords>::finished, this, [this, reading] {
        // result() throws again what the reading threw, such as running out of memory.
        Handle([&] { ResultsView1->SetReading(reading->result()); });
        reading->deleteLater();
    });
    reading->setFuture(
        QtConcurrent::run([picks = std::vector<Int16>(recorded.begin(), recorded.end()), outcomes,
                           stop = reading_.get_token()] {
            return FairnessWords(JudgeFairness(picks, outcomes, stop));
        }));
}

Form1::~Form1() {
    reading_.request_stop();
}

// In the settings, after "Finish" and after a failure a close ends Kelpov at once. While picking
// the run has no results yet, so it asks first, as an editor asks before closing unsaved work; the
// beats go on while it asks.
void Form1::closeEvent(QCloseEvent* event) {
    if (!IsPicking() || failed_ || closeWithoutResults_) {
        // Every line on the disk before the end, under the wait pointer as at "Finish".
        Handle([this] {
            const WaitPointer waiting;
            picker_.CloseLog();
        });
        event->accept();
        return;
    }
    event->ignore();
    AskBeforeClosing();
}

void Form1::AskBeforeClosing() {
    if (closeQuestion_ != nullptr) {
        closeQuestion_->activateWindow();
        return;
    }
    QMessageBox* question = NewMessageBox(
        this, QMessageBox::Question,
        tr("Finish the run before closing?\n\nThe picks recorded so far are in \"data.txt\", but "
           "\"results.txt\" and \"sorted_results.txt\" are not written until the run is "
           "finished."),
        QMessageBox::NoButton);
    QPushButton* finish = question->addButton(tr("Finish and Close"), QMessageBox::AcceptRole);
    QPushButton* discard =
        question->addButton(tr("Close Without Results"), QMessageBox::DestructiveRole);
    question->setEscapeButton(question->addButton(QMessageBox::Cancel));
    question->setDefaultButton(finish);
    // Acts once the question is gone, so that a failure's report never shows over it.
    connect(question, &QMessageBox::finished, this, [this, question, finish, discard] {
        if (question->clickedButton() == finish) {
            FinishRun();
            if (!failed_) {
                close();
            }
        } else if (question->clickedButton() == discard) {
            CloseWithoutResults();
        }
    });
    closeQuestion_ = question;
    question->open();
}

// The log ends as at "Finish": the last lines synced, and any failure of the log reported, so
// that "data.txt" is whole on the disk when Kelpov is gone.
void Form1::CloseWithoutResults() {
    Handle([this] {
        const WaitPointer waiting;
        StopBeats();
        picker_.CloseLog();
    });
    if (!failed_) {
        closeWithoutResults_ = true;
        close();
    }
}
