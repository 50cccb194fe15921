#include "finish/UnfinishedRun.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "common/Conversions.h"
#include "common/Failure.h"
#include "finish/Finish.h"
#include "picker/LogReading.h"

namespace fs = std::filesystem;

namespace {

// Whether the table is missing or was last written before the log.
bool IsOlderThan(const char* table, fs::file_time_type log) {
    std::error_code missing;
    const fs::file_time_type written = fs::last_write_time(table, missing);
    return missing || written < log;
}

}  // namespace

std::optional<UnfinishedRun> FindUnfinishedRun(const Picker& picker) {
    std::error_code error;
    const fs::path name = Picker::DataLogName;
    if (!fs::is_regular_file(name, error) || fs::file_size(name, error) == 0 || error) {
        return std::nullopt;
    }
    const fs::file_time_type written = fs::last_write_time(name, error);
    if (error || !(IsOlderThan(ResultsName, written) || IsOlderThan(SortedResultsName, written))) {
        return std::nullopt;
    }
    UnfinishedRun run;
    run.writtenAt = std::chrono::duration_cast<std::chrono::seconds>(
                        std::chrono::file_clock::to_sys(written).time_since_epoch())
                        .count();
    try {
        ReadPicks(picker.ReadLog(), [&run](Int16 pick) {
            ++run.picks;
            if (pick >= 1) {
                run.items.push_back(pick);
            }
        });
        std::ranges::sort(run.items);
    } catch (const Failure& failure) {
        run.refusal = failure.what();
    }
    // A lone line cut off before its end holds no pick to offer.
    if (run.picks == 0 && run.refusal.empty()) {
        return std::nullopt;
    }
    return run;
}

int PicksLeftOut(const UnfinishedRun& run, std::string_view outcomes) {
    const Int16 counted = TextToInt16(outcomes);
    return static_cast<int>(run.items.end() - std::ranges::upper_bound(run.items, counted));
}
