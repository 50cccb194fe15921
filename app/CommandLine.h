#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

// What Kelpov's command line asks of it. It is read before Qt connects to any windowing system,
// so that the commands that open no window (the help, the version, the results of a run from its
// data log, the refusal of an argument it does not know) need no display, and the first two and
// the refusal touch no file. Qt's own options (-platform, -style,
// -display ...) are accepted and left for QApplication, as in every Qt program.
class CommandLine {
public:
    CommandLine(int argc, char* argv[]);

    // Whether the window is to run; when not, RunWithoutWindow does all the work.
    bool WantsWindow() const { return command_ == Command::Window; }

    // Does what the command line asks without a window, printing on stdout (or, for a command
    // line it refuses, one line on stderr); returns the exit status. outputClosed: stdout was
    // closed when Kelpov started.
    int RunWithoutWindow(bool outputClosed) const;

    // --home-folder: the window works in ~/Kelpov, as the desktop menu starts it.
    bool InHomeFolder() const { return parser_.isSet(homeFolder_); }

    // The value given to one of Qt's own options, such as "platform" or "display"; empty if none.
    QString QtOption(const QString& name) const;

private:
    enum class Command { Window, Help, Version, Finish, Refuse };

    QCommandLineParser parser_;
    QCommandLineOption help_;
    QCommandLineOption version_;
    QCommandLineOption homeFolder_;
    QCommandLineOption finish_;
    QCommandLineOption json_;
    Command command_ = Command::Window;
    QString refusal_;
};

// --finish N: what "Finish" would have done with N in the outcome box, from the picks in
// "data.txt" of the current folder: writes both tables, prints the summary and the fairness
// reading (or, with json, the one JSON object of FinishJson), and returns the exit status. A count
// the window would refuse, a folder in use, or a log that is not one Kelpov wrote is refused with
// status 1 on stderr, and nothing is touched. Results that cannot be printed (stdout closed when
// Kelpov started, outputClosed, or a write that fails) are status 1 with a line on stderr; the
// tables are written all the same.
int FinishFromDataLog(const QString& outcomes, bool json, bool outputClosed);

// The desktop menu's start: makes the folder Kelpov in the home folder when it is missing and
// works there, since a menu starts programs in the home folder itself. A File failure that names
// the folder and the reason when it cannot.
void EnterHomeFolder();
