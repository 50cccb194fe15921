#include <csignal>

#include "app/CommandLine.h"
#include "app/RunWindow.h"
#include "common/Conversions.h"
#include "common/StandardFiles.h"

int main(int argc, char* argv[]) {
    // Before any file is opened: none may take the number of a closed stdout or stderr.
    const bool outputClosed = FillClosedStandardFiles();
    // A FIFO whose reader has gone fails the write (EPIPE), which is reported as a file failure,
    // instead of killing Kelpov without a word.
    std::signal(SIGPIPE, SIG_IGN);
    // Where the user's locale writes "5,6", so may the settings and --finish: decided here, before
    // any thread starts, for every stage of the run.
    ReadDecimalComma(LocaleWritesDecimalComma());
    const CommandLine commandLine(argc, argv);
    return commandLine.WantsWindow() ? RunWindow(argc, argv, commandLine)
                                     : commandLine.RunWithoutWindow(outputClosed);
}
