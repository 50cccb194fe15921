#include "window/Recovery.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

#include "common/Conversions.h"
#include "picker/Picker.h"
#include "window/HeldKeyFilter.h"
#include "window/Notices.h"

namespace {

QString Picks(int picks, bool recorded = false) {
    if (picks == 1) {
        return recorded ? Recovery::tr("1 recorded pick") : Recovery::tr("1 pick");
    }
    return (recorded ? Recovery::tr("%1 recorded picks") : Recovery::tr("%1 picks")).arg(picks);
}

}  // namespace

Recovery::Recovery(QWidget* window, UnfinishedRun run)
    : QObject(window), window_(window), run_(std::move(run)) {
    // Connected first, so that the filter is retired before the answer is acted on.
    auto* heldKeys = new HeldKeyFilter(this);
    connect(this, &Recovery::StartNewRun, heldKeys, &HeldKeyFilter::Retire);
    connect(this, &Recovery::FinishThatRun, heldKeys, &HeldKeyFilter::Retire);
    window_->installEventFilter(this);
}

bool Recovery::eventFilter(QObject* /*watched*/, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        window_->removeEventFilter(this);
        QMetaObject::invokeMethod(this, &Recovery::Ask, Qt::QueuedConnection);
    }
    return false;
}

// Centred over the window once its size is known, which for a message box is only once it shows.
void Recovery::Open(QDialog* dialog) const {
    dialog->open();
    dialog->move(window_->geometry().center() - dialog->rect().center());
}

int Recovery::Highest() const {
    return run_.items.empty() ? 0 : run_.items.back();
}

void Recovery::Ask() {
    const bool readable = run_.refusal.empty();
    const QString written =
        QLocale().toString(QDateTime::fromSecsSinceEpoch(run_.writtenAt), QLocale::ShortFormat);
    const QString text =
        readable ? tr("\"data.txt\" holds %1 of a run that never reached \"Finish\", last written "
                      "%2.\n\nFinish That Run writes its results from them, as \"Finish\" would "
                      "have. Start a New Run empties \"data.txt\" for a new run. Quit leaves every "
                      "file as it is.")
                       .arg(Picks(run_.picks), written)
                 : tr("\"data.txt\", last written %1, is not a log Kelpov could have written, so "
                      "it cannot give results: %2\n\nStart a New Run keeps it under a new name in "
                      "this folder and begins a new, empty \"data.txt\". Quit leaves every file as "
                      "it is.")
                       .arg(written, QString::fromLocal8Bit(run_.refusal.c_str()));
    QMessageBox* question =
        NewMessageBox(window_, QMessageBox::Question, text, QMessageBox::NoButton);
    QPushButton* finish = nullptr;
    if (readable) {
        finish = question->addButton(tr("Finish That Run\u2026"), QMessageBox::AcceptRole);
    }
    QPushButton* start = question->addButton(tr("Start a New Run"), QMessageBox::ActionRole);
    // Return quits too: nothing has been touched yet.
    QPushButton* quit = question->addButton(tr("Quit"), QMessageBox::RejectRole);
    question->setDefaultButton(quit);
    question->setEscapeButton(quit);
    // Ctrl+Q quits here as it does over the window.
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), question, quit, &QPushButton::click);
    // A close of the question is a Quit as well.
    connect(question, &QMessageBox::finished, this, [this, question, finish, start] {
        QAbstractButton* clicked = question->clickedButton();
        if (clicked != nullptr && clicked == finish) {
            // A count that covers every item the log holds (within the most a run can count).
            AskOutcomes(Highest() >= 1
                            ? QString::number(std::min(Highest(), Picker::PickStoreLimit))
                            : QStringLiteral("2"));
        } else if (clicked != nullptr && clicked == start) {
            emit StartNewRun();
        } else {
            emit Quit();
        }
    });
    Open(question);
}

// The count that run was made with is not in its log: the person says it, as in the settings. A
// count no stage of a run could take is refused, and Cancel goes back to the question; either way
// the dialog comes back with the text as typed.
void Recovery::AskOutcomes(const QString& typed) {
    auto* dialog = new QInputDialog(window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QGuiApplication::applicationDisplayName());
    dialog->setLabelText(Highest() >= 1
                             ? tr("Future Outcomes of that run (items 1 to this number; "
                                  "its picks go up to item %1):")
                                   .arg(Highest())
                             : tr("Future Outcomes of that run (items 1 to this number):"));
    dialog->setTextValue(typed);
    connect(dialog, &QInputDialog::finished, this, [this, dialog](int result) {
        if (result != QDialog::Accepted) {
            Ask();
            return;
        }
        const QString outcomes = dialog->textValue();
        if (!IsWorkableOutcomeCount(outcomes.toStdString())) {
            QMessageBox* refusal = NewMessageBox(
                window_, QMessageBox::Warning,
                tr("Future Outcomes: %1")
                    .arg(QString::fromStdString(OutcomeCountRefusal(outcomes.toStdString()))));
            connect(refusal, &QMessageBox::finished, this,
                    [this, outcomes] { AskOutcomes(outcomes); });
            Open(refusal);
            return;
        }
        if (const int left = PicksLeftOut(run_, outcomes.toStdString()); left > 0) {
            ConfirmLeftOut(outcomes, left);
            return;
        }
        emit FinishThatRun(outcomes);
    });
    Open(dialog);
}

// Uncounted picks would make the tables look finished, and the next start would empty the log
// without a question: that takes a yes of its own. Return and Escape go back to the count.
void Recovery::ConfirmLeftOut(const QString& outcomes, int left) {
    const int counted = TextToInt16(outcomes.toStdString());
    const QString text =
        (counted >= 1 ? tr("With %1 outcomes the tables count items 1 to %2: %3 of that run, of "
                           "items up to %4, would be left out")
                            .arg(outcomes, QString::number(counted), Picks(left, true),
                                 QString::number(Highest()))
                      : tr("With %1 outcomes the tables count no item: %2 of that run would be "
                           "left out")
                            .arg(outcomes, Picks(left, true))) +
        tr(", and the tables would look finished all the same.\n\nChange the Count goes back to "
           "the count. Leave Them Out writes the tables without those picks.");
    QMessageBox* question =
        NewMessageBox(window_, QMessageBox::Warning, text, QMessageBox::NoButton);
    QPushButton* leave = question->addButton(tr("Leave Them Out"), QMessageBox::DestructiveRole);
    QPushButton* back = question->addButton(tr("Change the Count"), QMessageBox::RejectRole);
    question->setDefaultButton(back);
    question->setEscapeButton(back);
    connect(question, &QMessageBox::finished, this, [this, question, leave, outcomes] {
        if (question->clickedButton() == leave) {
            emit FinishThatRun(outcomes);
        } else {
            AskOutcomes(outcomes);
        }
    });
    Open(question);
}
