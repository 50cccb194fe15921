// A second Kelpov in a process of its own, for the file tests: in the folder given, starts a run
// ("run") or finishes one from its log as kelpov --finish does ("finish"), and prints the failure
// that stopped it. Exit status 0 when it was let in, 1 when it failed, 2 when misused.

#include <unistd.h>

#include <iostream>
#include <memory>
#include <string_view>

#include "common/Failure.h"
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
        std::cout << failure.what();
        return 1;
    }
    return 0;
}
