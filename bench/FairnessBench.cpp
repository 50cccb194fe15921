// The fairness reading at the sizes the store allows: 20000 picks of 6 items (the chi-square of
// the changes) and of 20000 items (sparse counts, simulated), from independent picks (every beat a
// change, the most work) and with a draw before one beat in five.

#include <benchmark/benchmark.h>

#include <string>

#include "bench/SimulatedPicks.h"
#include "finish/Fairness.h"
#include "picker/DrawLaw.h"

namespace {

void BM_JudgeFairness(benchmark::State& state) {
    const std::string outcomes = std::to_string(state.range(0));
    const Movement movement = state.range(1) != 0 ? Geometric(5) : Independent;
    const std::vector<Int16> picks =
        SimulatedPicks(LawOfDraw(outcomes).chances, 17).Run(20000, movement);
    for (auto _ : state) {
        benchmark::DoNotOptimize(JudgeFairness(picks, outcomes));
    }
}
BENCHMARK(BM_JudgeFairness)
    ->ArgNames({"items", "rests"})
    ->ArgsProduct({{6, 20000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
