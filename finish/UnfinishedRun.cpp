#include "finish/UnfinishedRun.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "common/Conversions.h"
#include "common/Failure.h"
#include "finish/Finish.h"
#include "picker/LogReading.h"

namespace {

// Whether the table is missing or was last written before the log.
bool IsOlderThan(const char* table, const struct stat& log) {
    struct stat status {};
    if (::stat(table, &status) != 0) {
        return true;
    }
    const auto& [seconds, nanoseconds] = status.st_mtim;
    return seconds < log.st_mtim.tv_sec ||
           (seconds == log.st_mtim.tv_sec && nanoseconds < log.st_mtim.tv_nsec);
}

}  // namespace

std::optional<UnfinishedRun> FindUnfinishedRun(const Picker& picker) {
    struct stat log {};
    if (::stat(Picker::DataLogName, &log) != 0 || !S_ISREG(log.st_mode) || log.st_size == 0 ||
        !(IsOlderThan(ResultsName, log) || IsOlderThan(SortedResultsName, log))) {
        return std::nullopt;
    }
    UnfinishedRun run;
    run.writtenAt = log.st_mtim.tv_sec;
    try {
        const auto read = std::make_unique<Picker>();
        LoadPicks(*read, picker.ReadLog());
        run.picks = read->PickCount;
        for (const Int16 pick : read->Picks.Slots(1, read->PickCount)) {
            if (pick >= 1) {
                run.items.push_back(pick);
            }
        }
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
