#include "finish/FinishFromLog.h"

#include <cerrno>
#include <filesystem>

#include "common/Descriptor.h"
#include "finish/Finish.h"
#include "picker/LogReading.h"

std::optional<int> FinishFromLog(Picker& picker, std::string_view outcomes) {
    // Taking the folder takes the log too, and would create a missing one. Where it is taken
    // already, the log read back must still be the file it locked.
    std::error_code error;
    if (!picker.HoldsFolder() && !std::filesystem::exists(Picker::DataLogName, error)) {
        FailOnFile(Picker::DataLogName, "read", SystemReason(error ? error.value() : ENOENT));
    }
    picker.TakeFolder();
    const std::optional<int> tornLine = LoadPicks(picker, picker.ReadLog());
    picker.SweepLeftovers();
    CountAndWrite(picker, outcomes);
    return tornLine;
}
