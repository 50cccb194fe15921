// The fair band of the results chart, worked out on the event loop at "Finish": 20000 picks of 2,
// 6, 1000 and 20000 items, from independent picks, with rests of 5 beats on average between draws,
// and of 50 (many lengths of stretch, the most work).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/SimulatedPicks.h"
#include "finish/FairRange.h"
#include "picker/DrawLaw.h"
#include "picker/Picker.h"

namespace {

void BM_FairRange(benchmark::State& state) {
    const std::string outcomes = std::to_string(state.range(0));
    const Movement movements[] = {Independent, Geometric(5), Geometric(50)};
    auto picker = std::make_unique<Picker>();
    for (const Int16 pick : SimulatedPicks(LawOfDraw(outcomes).chances, 17)
                                .Run(20000, movements[static_cast<std::size_t>(state.range(1))])) {
        picker->Picks[++picker->PickCount] = pick;
    }
    TallyPicks(*picker, outcomes);
    const Summary summary = Summarize(*picker, outcomes);
    for (auto _ : state) {
        benchmark::DoNotOptimize(FairRangeOf(picker->Picks.Slots(1, picker->PickCount), summary));
    }
}
BENCHMARK(BM_FairRange)
    ->ArgNames({"items", "rests"})
    ->ArgsProduct({{2, 6, 1000, 20000}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
