// The fairness reading at the sizes the store allows: 20000 picks of 6 items (the chi-square of
// the changes) and of 20000 items (sparse counts, simulated), both with rests of the pointer.

#include <benchmark/benchmark.h>

#include <string>

#include "bench/SimulatedPicks.h"
#include "finish/Fairness.h"

namespace {

void BM_JudgeFairness(benchmark::State& state) {
    const std::string outcomes = std::to_string(state.range(0));
    SimulatedPicks simulated(DrawLaw(outcomes), 17);
    const std::vector<Int16> picks = simulated.Run(20000, {0.5, 5});
    for (auto _ : state) {
        benchmark::DoNotOptimize(JudgeFairness(picks, outcomes));
    }
}
BENCHMARK(BM_JudgeFairness)->Arg(6)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
