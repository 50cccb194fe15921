// Prints how often the fairness reading calls runs uneven, over seeded simulated runs: its false
// alarms on a fair generator, with and without rests of the pointer, and how often it finds a
// favoured item. Each row also gives the median of the difference the reading says a run of that
// size would find 4 times in 5, and the last rows check that figure by simulating it.
//
// Usage: kelpov_fairness_figures [RUNS]   (1000 runs per row by default; fewer for sparse rows)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/SimulatedPicks.h"
#include "finish/Fairness.h"

namespace {

struct Row {
    const char* what;
    const char* outcomes;
    std::vector<double> chances;  // empty: the draw's own law
    int beats;
    Pointer pointer;
    int runs;
};

struct Figures {
    double uneven = 0, notJudged = 0, detectable = 0, seconds = 0;
};

Figures Simulate(const Row& row, std::uint64_t seed) {
    SimulatedPicks picks(row.chances.empty() ? DrawLaw(row.outcomes) : row.chances, seed);
    int uneven = 0, notJudged = 0;
    std::vector<double> detectable;
    const auto start = std::chrono::steady_clock::now();
    for (int run = 0; run < row.runs; ++run) {
        const Fairness fairness = JudgeFairness(picks.Run(row.beats, row.pointer), row.outcomes);
        uneven += fairness.verdict == Fairness::Verdict::Uneven;
        notJudged += fairness.verdict == Fairness::Verdict::NotJudged;
        detectable.push_back(fairness.detectable.value_or(1e9));
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::ranges::sort(detectable);
    return {100.0 * uneven / row.runs, 100.0 * notJudged / row.runs,
            detectable[detectable.size() / 2], took.count() / row.runs};
}

void Print(const Row& row, const Figures& figures) {
    const std::string k = figures.detectable >= 1e9 ? "none" : std::to_string(figures.detectable);
    std::printf("%-58s %6d %8.1f%% %8.1f%% %10.5s %9.1f\n", row.what, row.runs, figures.uneven,
                figures.notJudged, k.c_str(), figures.seconds * 1000);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int sparseRuns = std::max(1, runs / 2);
    const Pointer still{0, 1};
    const Pointer rests5{0.5, 5}, rests10{0.5, 10}, rests20{0.5, 20};
    const std::vector<double> fair;
    const std::vector<double> favoured = OneFavoured(6, 0.25);
    // clang-format off
    const std::vector<Row> rows = {
        {"fair, N=6, 2000 independent picks", "6", fair, 2000, still, runs},
        {"fair, N=6, 2000 beats, rests of mean 5", "6", fair, 2000, rests5, runs},
        {"fair, N=20, 2000 beats, rests of mean 10", "20", fair, 2000, rests10, runs},
        {"fair, N=100, 20000 beats, rests of mean 20", "100", fair, 20000, rests20, runs},
        {"item 1 at 25%, others 15%, N=6, 2000 independent", "6", favoured, 2000, still, runs},
        {"item 1 at 25%, others 15%, N=6, 2000 beats, rests of 5", "6", favoured, 2000, rests5, runs},
        {"fair, N=20000, 2000 independent picks", "20000", fair, 2000, still, sparseRuns},
        {"fair, N=20000, 2000 beats, rests of mean 5", "20000", fair, 2000, rests5, sparseRuns},
        {"half on items 1-100, N=20000, 2000 independent", "20000", SomeFavoured(20000, 100), 2000,
            still, sparseRuns},
        {"fair, N=20000, 20000 independent picks", "20000", fair, 20000, still, sparseRuns / 5},
        {"fair, N=5.6, 2000 independent picks", "5.6", fair, 2000, still, runs},
        {"fair, N=5.6, 2000 beats, rests of mean 5", "5.6", fair, 2000, rests5, runs},
        {"fair, N=5.6, 100 beats, rests of mean 5 (simulated p)", "5.6", fair, 100, rests5, runs},
        {"fair, N=2.5, 2000 independent picks", "2.5", fair, 2000, still, runs},
        {"fair, N=2.5, 2000 beats, rests of mean 5", "2.5", fair, 2000, rests5, runs},
        {"fair, N=3, 60 beats, rests of mean 5", "3", fair, 60, rests5, runs},
        {"fair, N=2, 200 beats, rests of mean 5", "2", fair, 200, rests5, runs},
        {"fair, N=2, 2000 independent picks", "2", fair, 2000, still, runs},
        {"fair, N=2, 2000 beats, 2% start rests of mean 5", "2", fair, 2000, {0.02, 5}, runs},
        {"fair, N=2, 2000 beats, 5% start rests of mean 5", "2", fair, 2000, {0.05, 5}, runs},
        {"fair, N=2, 2000 beats, 1% start rests of mean 20", "2", fair, 2000, {0.01, 20}, runs},
        {"fair, N=1.5, 2000 independent picks", "1.5", fair, 2000, still, runs},
        {"item 1 at 60%, N=2, 2000 independent", "2", OneFavoured(2, 0.6), 2000, still, runs},
    };
    // clang-format on
    std::printf("%-58s %6s %9s %9s %10s %9s\n", "simulated runs", "runs", "uneven", "not judged",
                "median k", "ms/run");
    std::uint64_t seed = 1;
    for (const Row& row : rows) {
        Print(row, Simulate(row, ++seed));
    }
    // The detectable difference checked: runs with one item drawn k times as often as each other
    // one, k the median the reading gave for runs of that size, should be found about 4 in 5.
    std::printf("\nchecks of k: one item drawn k times as often, k as the reading gave it\n");
    for (const Row& base : {rows[0], rows[1], rows[6]}) {
        const double k =
            Simulate(
                {base.what, base.outcomes, {}, base.beats, base.pointer, std::min(base.runs, 200)},
                ++seed)
                .detectable;
        const int n = std::atoi(base.outcomes);
        Row checked = base;
        checked.chances = DrawnKTimesAsOften(n, k);
        const std::string what = std::string(base.what) + ", k=" + std::to_string(k).substr(0, 4);
        checked.what = what.c_str();
        Print(checked, Simulate(checked, ++seed));
    }
    return 0;
}
