#include "app/CommandLine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "app/FinishJson.h"
#include "common/Descriptor.h"
#include "common/Failure.h"
#include "finish/FairnessWords.h"
#include "finish/FinishFromLog.h"
#include "finish/Summary.h"

namespace {

// The options that QGuiApplication, QApplication and the xcb platform take out of the arguments
// (Qt 6.4): those followed by a value, then those that stand alone. They pass the parser hidden.
const char* const QtOptionsWithValue =
    "platform platformpluginpath platformtheme plugin qwindowgeometry geometry qwindowtitle title "
    "qwindowicon icon session style stylesheet display name visual qmljsdebugger";
const char* const QtSwitches = "reverse testability widgetcount nograb dograb";

void AddHidden(QCommandLineParser& parser, const char* names, bool takeValue) {
    for (const QString& name : QString::fromLatin1(names).split(QLatin1Char(' '))) {
        QCommandLineOption option(name, QString(), takeValue ? QStringLiteral("value") : QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// Writes text on stdout. Where it cannot (stdout closed at start, a full device, a reader gone), it
// says so on stderr, "kelpov: <failed>: <why>", and returns status 1: a script must not take a text
// that never came for success. Otherwise 0.
int PrintOut(const std::string& text, bool outputClosed, const char* failed) {
    const int error = outputClosed ? 0 : WriteAll(STDOUT_FILENO, text);
    if (outputClosed || error != 0) {
        std::fprintf(stderr, "kelpov: %s: %s\n", failed,
                     outputClosed ? "standard output was closed" : SystemReason(error).c_str());
        return 1;
    }
    return 0;
}

}  // namespace

CommandLine::CommandLine(int argc, char* argv[])
    : help_({QStringLiteral("h"), QStringLiteral("help")},
            QStringLiteral("Shows this help and exits.")),
      version_({QStringLiteral("v"), QStringLiteral("version")},
               QStringLiteral("Shows the version and exits.")),
      homeFolder_(QStringLiteral("home-folder"),
                  QStringLiteral("Works in ~/Kelpov, made when missing, instead of the current "
                                 "folder, as the desktop menu starts Kelpov.")),
      finish_(QStringLiteral("finish"),
              QStringLiteral("Without a window, writes results.txt and sorted_results.txt from "
                             "the picks in data.txt, as \"Finish\" would with N outcomes, and "
                             "prints the summary: the results of a run that was closed or "
                             "stopped before \"Finish\"."),
              QStringLiteral("N")),
      json_(QStringLiteral("json"),
            QStringLiteral("With --finish, prints the results as one JSON object on one line "
                           "instead of sentences: \"items\", \"picks\", \"recorded\", "
                           "\"repeats\", \"counts\" (item 1 first), \"verdict\" "
                           "(\"consistent\", \"uneven\" or \"not-judged\"), \"p\" (a "
                           "number or null), \"test\" and more.")) {
    // Qt's options are single-dash words, as in "-platform offscreen".
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser_.setApplicationDescription(
        QStringLiteral("Draws random item numbers while the mouse moves over its window, and\n"
                       "counts them. Its files, data.txt, results.txt and sorted_results.txt,\n"
                       "are written into the current folder."));
    parser_.addOptions({help_, version_, homeFolder_, finish_, json_});
    AddHidden(parser_, QtOptionsWithValue, true);
    AddHidden(parser_, QtSwitches, false);

    QStringList arguments;
    for (int k = 0; k < argc; ++k) {
        arguments << QString::fromLocal8Bit(argv[k]);
    }
    if (!parser_.parse(arguments)) {
        command_ = Command::Refuse;
        refusal_ = parser_.errorText();
    } else if (!parser_.positionalArguments().isEmpty()) {
        command_ = Command::Refuse;
        refusal_ = QStringLiteral("Unexpected argument '%1'.")
                       .arg(parser_.positionalArguments().constFirst());
    } else if (parser_.isSet(help_)) {
        command_ = Command::Help;
    } else if (parser_.isSet(version_)) {
        command_ = Command::Version;
    } else if (parser_.isSet(finish_)) {
        command_ = Command::Finish;
    } else if (parser_.isSet(json_)) {
        command_ = Command::Refuse;
        refusal_ = QStringLiteral("--json goes with --finish N.");
    }
}

int CommandLine::RunWithoutWindow(bool outputClosed) const {
    switch (command_) {
        case Command::Help: {
            // Qt's usage line names the program only once an application object exists.
            QString text = parser_.helpText();
            text.replace(0, text.indexOf(QLatin1Char('\n')),
                         QStringLiteral("Usage: kelpov [options]"));
            text += QStringLiteral(
                "\nQt's standard options, such as -platform, -style and -display, work as\n"
                "in every Qt program.\n");
            return PrintOut(text.toStdString(), outputClosed, "--help: it cannot be printed");
        }
        case Command::Version:
            return PrintOut("kelpov " KELPOV_VERSION "\n", outputClosed,
                            "--version: it cannot be printed");
        case Command::Finish:
            return FinishFromDataLog(parser_.value(finish_), parser_.isSet(json_), outputClosed);
        case Command::Refuse:
            std::fprintf(stderr, "kelpov: %s See kelpov --help.\n", qPrintable(refusal_));
            return 2;
        case Command::Window:
            break;
    }
    return 0;
}

QString CommandLine::QtOption(const QString& name) const {
    return parser_.value(name);
}

int FinishFromDataLog(const QString& outcomes, bool json, bool outputClosed) {
    const std::string count = outcomes.toStdString();
    if (!IsWorkableOutcomeCount(count)) {
        std::fprintf(stderr, "kelpov: --finish: %s\n", OutcomeCountRefusal(count).c_str());
        return 1;
    }
    std::string printed;
    try {
        const auto picker = std::make_unique<Picker>();
        if (const std::optional<int> tornLine = FinishFromLog(*picker, count)) {
            std::fprintf(stderr,
                         "kelpov: warning: line %d of data.txt is cut off before its end, as only "
                         "a system crash leaves one; it is left out\n",
                         *tornLine);
        }
        const Summary summary = Summarize(*picker, count);
        const Fairness fairness = JudgeFairness(picker->Picks.Slots(1, picker->PickCount), count);
        printed = json ? FinishJson(summary, fairness).toStdString()
                       : SummaryText(summary) + "\n" + FairnessText(fairness) + "\n";
    } catch (...) {
        PrintFailure(CurrentFailure());
        return 1;
    }
    // The tables are written: results that cannot be printed are a failure all the same.
    return PrintOut(printed, outputClosed,
                    "--finish: the tables are written, but the results cannot be printed");
}

void EnterHomeFolder() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        throw Failure(FailureKind::File,
                      "cannot make the folder Kelpov in the home folder: HOME is not set");
    }
    const std::string folder = (std::filesystem::path(home) / "Kelpov").string();
    const auto fail = [&folder](const char* action) {
        throw Failure(FailureKind::File, std::string("cannot ") + action + " the folder \"" +
                                             folder +
                                             "\": " + std::generic_category().message(errno));
    };
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        fail("make");
    }
    if (::chdir(folder.c_str()) != 0) {
        fail("enter");
    }
}
