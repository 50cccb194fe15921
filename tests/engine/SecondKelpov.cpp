// A second Kelpov in a process of its own, for the file tests: in the folder given, starts a run
// ("run") or finishes one from its log as kelpov --finish does ("finish"). Exit status 0 when it
// was let in, 1 when it was refused because another run holds the folder or its log, 2 otherwise;
// a failure is told on the standard error.

#include <unistd.h>

#include <iostream>
#include <memory>
#include <string_view>

#include "common/Failure.h"
#include "common/FolderLock.h"
#include "finish/FinishFromLog.h"

int main(int argc, char** argv) {
    if (argc != 3 || ::chdir(argv[2]) != 0) {
        std::cerr << "usage: kelpov_second_run run|finish FOLDER\n";
        return 2;
    }
    const auto picker = std::make_unique<Picker>();  // too large for the stack
    try {
        if (std::string_view(argv[1]) == "run") {
            picker->OpenLog();
        } else {
            FinishFromLog(*picker, "4");
        }
    } catch (const Failure& failure) {
        const std::string_view what = failure.what();
        std::cerr << what << '\n';
        return what.ends_with(std::string("data.txt\": ") + FolderLock::InUse) ? 1 : 2;
    }
    return 0;
}
