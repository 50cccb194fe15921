#include "finish/FinishFromLog.h"

#include <cerrno>
#include <filesystem>

#include "common/Descriptor.h"
#include "finish/Finish.h"
#include "picker/LogReading.h"

std::optional<int> FinishFromLog(Picker& picker, std::string_view outcomes) {
    // Taking the folder takes the log too, and would create a missing one.
    std::error_code error;
    if (!std::filesystem::exists(Picker::DataLogName, error)) {
        FailOnFile(Picker::DataLogName, "read", SystemReason(error ? error.value() : ENOENT));
    }
    picker.TakeFolder();
    const std::optional<int> tornLine = LoadPicks(picker, ReadDataLog());
    CountAndWrite(picker, outcomes);
    return tornLine;
}
