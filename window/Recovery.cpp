#include "window/Recovery.h"

#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>

#include "picker/Picker.h"
#include "window/Notices.h"

Recovery::Recovery(QWidget* window, UnfinishedRun run)
    : QObject(window), window_(window), run_(std::move(run)) {}

void Recovery::Ask() {
    const bool readable = run_.refusal.empty();
    const QString text =
        readable ? tr("\"data.txt\" holds %1 of a run that never reached \"Finish\".\n\n"
                      "Finish That Run writes its results from them, as \"Finish\" would have. "
                      "Start a New Run empties \"data.txt\" for a new run. Quit leaves every file "
                      "as it is.")
                       .arg(run_.picks == 1 ? tr("1 pick") : tr("%1 picks").arg(run_.picks))
                 : tr("\"data.txt\" holds lines of an earlier run, but not as Kelpov writes them, "
                      "so they cannot give results: %1\n\nStart a New Run empties \"data.txt\" for "
                      "a new run. Quit leaves every file as it is.")
                       .arg(QString::fromLocal8Bit(run_.refusal.c_str()));
    QMessageBox* question =
        NewMessageBox(window_, QMessageBox::Question, text, QMessageBox::NoButton);
    QPushButton* finish = nullptr;
    if (readable) {
        finish = question->addButton(tr("Finish That Run\u2026"), QMessageBox::AcceptRole);
    }
    QPushButton* start = question->addButton(tr("Start a New Run"), QMessageBox::ActionRole);
    QPushButton* quit = question->addButton(tr("Quit"), QMessageBox::RejectRole);
    question->setEscapeButton(quit);
    // Ctrl+Q quits here as it does over the window.
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), question, quit, &QPushButton::click);
    question->setDefaultButton(finish != nullptr ? finish : start);
    // A close of the question is a Quit as well: nothing has been touched yet.
    connect(question, &QMessageBox::finished, this, [this, question, finish, start] {
        QAbstractButton* clicked = question->clickedButton();
        if (clicked != nullptr && clicked == finish) {
            AskOutcomes();
        } else if (clicked != nullptr && clicked == start) {
            emit StartNewRun();
        } else {
            emit Quit();
        }
    });
    question->open();
}

// The count that run was made with is not in its log: the person says it, as in the settings. A
// count no stage of a run could take is refused, and Cancel goes back to the question.
void Recovery::AskOutcomes() {
    auto* dialog = new QInputDialog(window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QGuiApplication::applicationDisplayName());
    dialog->setLabelText(tr("Future Outcomes of that run (items 1 to this number):"));
    dialog->setTextValue(QStringLiteral("2"));
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
            connect(refusal, &QMessageBox::finished, this, &Recovery::AskOutcomes);
            refusal->open();
            return;
        }
        emit FinishThatRun(outcomes);
    });
    dialog->open();
}
