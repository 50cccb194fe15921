// The cost of a finish in the worst cases the store allows (20000 items, 20000 picks, spread
// evenly or all on one item), the engine against the literal quadratic forms in the same run, and
// the cost of one draw and one record. Everything runs in a temporary directory, since the engine
// writes its files by bare name.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/LiteralRanking.h"
#include "finish/Finish.h"
#include "picker/Picker.h"

namespace {

constexpr const char* WorstCase = "20000";

// The picks of the two worst cases, the benchmarks' argument "one_item". Uniform from a fixed
// seed (0): the counts spread over 0..8 with many ties, so the stable order of equal counts and
// the exchanges both have real work, and every run measures the same picks. Or every pick the last
// item (1): the counts span the widest range the store allows, 0 to 20000, and every pick adds to
// the same count.
const std::vector<Int16>& WorstCasePicks(bool oneItem) {
    static const std::vector<Int16> uniform = [] {
        std::mt19937 random(20000);
        std::vector<Int16> result(Picker::PickStoreLimit);
        for (Int16& pick : result) {
            pick = static_cast<Int16>(random() % Picker::PickStoreLimit + 1);
        }
        return result;
    }();
    static const std::vector<Int16> last(Picker::PickStoreLimit, Picker::PickStoreLimit);
    return oneItem ? last : uniform;
}

// A Picker as a run leaves it just before its finish: the store full. Its log is not open, so
// the finish's close of the log does nothing here.
std::unique_ptr<Picker> FullPicker(bool oneItem) {
    auto picker = std::make_unique<Picker>();
    const std::vector<Int16>& picks = WorstCasePicks(oneItem);
    for (int k = 1; k <= Picker::PickStoreLimit; ++k) {
        picker->Picks[k] = picks[static_cast<std::size_t>(k - 1)];
    }
    picker->PickCount = Picker::PickStoreLimit;
    return picker;
}

// Each finish gets a fresh Picker, built and torn down outside the timed
// region.
template <void (*FinishRun)(Picker&, std::string_view)>
void BM_Finish(benchmark::State& state) {
    std::unique_ptr<Picker> picker;
    for (auto _ : state) {
        state.PauseTiming();
        picker = FullPicker(state.range(0) != 0);
        state.ResumeTiming();
        FinishRun(*picker, WorstCase);
    }
}
BENCHMARK(BM_Finish<Finish>)
    ->Name("Finish/Engine")
    ->ArgName("one_item")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Finish<LiteralFinish>)
    ->Name("Finish/Literal")
    ->ArgName("one_item")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The tally and the ranking without any file, so the share of the file writing
// shows.
template <void (*Tally)(Picker&, std::string_view), void (*Rank)(Picker&, std::string_view)>
void BM_TallyAndRanking(benchmark::State& state) {
    const std::unique_ptr<Picker> picker = FullPicker(state.range(0) != 0);
    for (auto _ : state) {
        picker->CountPosition = 0;  // the tally stores its counts after this position
        Tally(*picker, WorstCase);
        PrepareRanking(*picker, WorstCase);
        Rank(*picker, WorstCase);
        benchmark::DoNotOptimize(picker->SortedItems[1]);
    }
}
BENCHMARK(BM_TallyAndRanking<TallyPicks, RankPasses>)
    ->Name("TallyAndRanking/Engine")
    ->ArgName("one_item")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TallyAndRanking<LiteralTallyPicks, LiteralRankPasses>)
    ->Name("TallyAndRanking/Literal")
    ->ArgName("one_item")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_Draw(benchmark::State& state, const char* outcomes) {
    Picker picker;
    for (auto _ : state) {
        picker.Draw(outcomes);
        benchmark::DoNotOptimize(picker.CurrentPick);
    }
}
BENCHMARK_CAPTURE(BM_Draw, 6, "6");
BENCHMARK_CAPTURE(BM_Draw, 20000, "20000");

// One line handed to the operating system and one pick stored, back to back, while the log's
// worker syncs it once a second. A full store starts a new log, which keeps
// the file as small as the store and its lines in step with it.
void BM_Record(benchmark::State& state) {
    Picker picker;
    picker.OpenLog();
    picker.CurrentPick = 12345;
    for (auto _ : state) {
        if (picker.PickCount == Picker::PickStoreLimit) {
            state.PauseTiming();
            picker.CloseLog();
            picker.OpenLog();
            state.ResumeTiming();
        }
        picker.Record();
    }
    picker.CloseLog();
}
BENCHMARK(BM_Record);

// Records at the fastest beat a user is likely to set, one a millisecond, for five seconds, while
// the log's worker syncs it once a second. "slowest" is the longest single beat.
void BM_RecordEveryMillisecond(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    Picker picker;
    picker.OpenLog();
    picker.CurrentPick = 12345;
    Clock::duration slowest{};
    Clock::time_point beat = Clock::now();
    for (auto _ : state) {
        beat += std::chrono::milliseconds(1);
        std::this_thread::sleep_until(beat);
        const Clock::time_point start = Clock::now();
        picker.Record();
        const Clock::duration took = Clock::now() - start;
        slowest = std::max(slowest, took);
        state.SetIterationTime(std::chrono::duration<double>(took).count());
    }
    picker.CloseLog();
    state.counters["slowest_us"] = std::chrono::duration<double, std::micro>(slowest).count();
}
BENCHMARK(BM_RecordEveryMillisecond)
    ->UseManualTime()
    ->Iterations(5000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "kelpov_bench.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("kelpov_bench: cannot create a temporary directory");
        return 1;
    }
    const fs::path home = fs::current_path();
    fs::current_path(pattern);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::current_path(home);
    fs::remove_all(pattern);
    return 0;
}
