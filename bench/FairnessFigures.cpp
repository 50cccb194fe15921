// Prints how often the fairness reading calls runs uneven, over seeded simulated runs: its false
// alarms on a fair generator under each way the pointer may move, how often it says nothing
// (not judged, or too few picks to tell), and how often it finds a favoured item. Each row also
// gives the median of the difference the reading says a run of that size would find 4 times in 5,
// and the last rows check that figure by simulating it.
//
// Usage: kelpov_fairness_figures [RUNS]   (1000 fair runs a row by default, half as many biased)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench/SimulatedPicks.h"
#include "finish/Fairness.h"
#include "picker/DrawLaw.h"

namespace {

struct Row {
    std::string what;
    const char* outcomes;
    std::vector<double> chances;  // empty: the draw's own law
    int beats;
    Movement movement;
    int runs;
};

struct Figures {
    double uneven = 0, notJudged = 0, detectable = 0, milliseconds = 0;
};

Figures Simulate(const Row& row, std::uint64_t seed) {
    SimulatedPicks picks(row.chances.empty() ? LawOfDraw(row.outcomes).chances : row.chances, seed);
    int uneven = 0, notJudged = 0;
    std::vector<double> detectable;
    const std::clock_t start = std::clock();
    for (int run = 0; run < row.runs; ++run) {
        const Fairness fairness = JudgeFairness(picks.Run(row.beats, row.movement), row.outcomes);
        uneven += fairness.verdict == Fairness::Verdict::Uneven;
        notJudged += fairness.verdict == Fairness::Verdict::NotJudged;
        detectable.push_back(fairness.detectable.value_or(1e9));
    }
    const double took = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    std::ranges::sort(detectable);
    return {100.0 * uneven / row.runs, 100.0 * notJudged / row.runs,
            detectable[detectable.size() / 2], 1000 * took / row.runs};
}

std::string FactorText(double k) {
    return k >= 1e9 ? "none" : std::to_string(k).substr(0, 5);
}

void Print(const Row& row, const Figures& figures) {
    std::printf("%-62s %6d %8.1f%% %8.1f%% %8s %8.2f\n", row.what.c_str(), row.runs, figures.uneven,
                figures.notJudged, FactorText(figures.detectable).c_str(), figures.milliseconds);
    std::fflush(stdout);
}

std::string What(const char* outcomes, const std::string& chances, int beats,
                 const Movement& movement) {
    return std::string("N=") + outcomes + ", " + chances + ", " + std::to_string(beats) +
           " beats, " + movement.Name();
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int biasedRuns = std::max(1, runs / 2);
    const auto started = std::chrono::steady_clock::now();
    const std::clock_t cpu = std::clock();
    std::uint64_t seed = 1;

    // Two items under every way of moving: false alarms and the share judged on a fair generator,
    // and the power at odds 2 (item 1 drawn two thirds of the time).
    const std::vector<Movement> movements = {Independent,  Every(3),     Every(10),
                                             Geometric(2), Geometric(5), Geometric(20),
                                             Bursts,       LongRests,    StartAndEnd};
    std::printf("two items, %d fair runs and %d at odds 2 per row\n", runs, biasedRuns);
    std::printf("%-16s %6s %10s %10s %10s %10s %9s\n", "movement", "beats", "uneven", "not judged",
                "odds 2", "not judged", "median k");
    for (const Movement& movement : movements) {
        for (const int beats : {200, 500, 2000}) {
            const Figures fair = Simulate({"", "2", {}, beats, movement, runs}, ++seed);
            const Figures biased =
                Simulate({"", "2", {2.0 / 3, 1.0 / 3}, beats, movement, biasedRuns}, ++seed);
            std::printf("%-16s %6d %9.1f%% %9.1f%% %9.1f%% %9.1f%% %9s\n", movement.Name().c_str(),
                        beats, fair.uneven, fair.notJudged, biased.uneven, biased.notJudged,
                        FactorText(fair.detectable).c_str());
            std::fflush(stdout);
        }
    }

    const std::vector<double> fair;
    const std::vector<double> favoured6 = OneFavoured(6, 0.25);
    const auto odds2 = [](const char* outcomes, int item) {
        std::vector<double> chances = LawOfDraw(outcomes).chances;
        std::swap(chances[0], chances[static_cast<std::size_t>(item - 1)]);
        chances = DrawnKTimesAsOften(chances, 2);
        std::swap(chances[0], chances[static_cast<std::size_t>(item - 1)]);
        return chances;
    };
    const int sparseRuns = std::max(1, runs / 2);
    // clang-format off
    const std::vector<Row> rows = {
        // Counts between 1 and 3.
        {What("2.0001", "fair", 2000, Independent), "2.0001", fair, 2000, Independent, runs},
        {What("2.0001", "fair", 2000, Geometric(5)), "2.0001", fair, 2000, Geometric(5), runs},
        {What("2.0001", "item 1 at 90%", 2000, Independent), "2.0001", OneFavoured(2, 0.9), 2000,
            Independent, biasedRuns},
        {What("2.01", "item 1 at 90%", 2000, Independent), "2.01", OneFavoured(2, 0.9), 2000,
            Independent, biasedRuns},
        {What("2.01", "fair", 2000, Bursts), "2.01", fair, 2000, Bursts, runs},
        {What("2.5", "fair", 2000, Independent), "2.5", fair, 2000, Independent, runs},
        {What("2.5", "fair", 2000, Geometric(5)), "2.5", fair, 2000, Geometric(5), runs},
        {What("2.5", "fair", 2000, Bursts), "2.5", fair, 2000, Bursts, runs},
        {What("2.5", "fair", 62, Independent) + " (about 40 stretches)", "2.5", fair, 62,
            Independent, runs},
        {What("2.5", "item 1 at odds 2", 2000, Geometric(5)), "2.5", odds2("2.5", 1), 2000,
            Geometric(5), biasedRuns},
        {What("2.5", "item 2 at odds 2", 2000, Geometric(5)), "2.5", odds2("2.5", 2), 2000,
            Geometric(5), biasedRuns},
        {What("2.5", "item 3 at odds 2", 2000, Geometric(5)), "2.5", odds2("2.5", 3), 2000,
            Geometric(5), biasedRuns},
        {What("2.9", "fair", 2000, Geometric(5)), "2.9", fair, 2000, Geometric(5), runs},
        {What("2.9", "item 2 at odds 2", 2000, Geometric(5)), "2.9", odds2("2.9", 2), 2000,
            Geometric(5), biasedRuns},
        {What("1.5", "fair", 2000, Geometric(5)), "1.5", fair, 2000, Geometric(5), runs},
        {What("1.5", "fair", 200, Independent), "1.5", fair, 200, Independent, runs},
        // Three items, few stretches: the exact law.
        {What("3", "fair", 30, Independent), "3", fair, 30, Independent, runs},
        {What("3", "fair", 60, Independent), "3", fair, 60, Independent, runs},
        {What("3", "fair", 120, Independent), "3", fair, 120, Independent, runs},
        {What("3", "fair", 200, Geometric(5)), "3", fair, 200, Geometric(5), runs},
        {What("3", "fair", 2000, Bursts), "3", fair, 2000, Bursts, runs},
        {What("3", "item 1 at odds 2", 2000, Geometric(5)), "3", odds2("3", 1), 2000,
            Geometric(5), biasedRuns},
        // More items.
        {What("4", "fair", 60, Independent), "4", fair, 60, Independent, runs},
        {What("6", "fair", 2000, Independent), "6", fair, 2000, Independent, runs},
        {What("6", "fair", 2000, Geometric(5)), "6", fair, 2000, Geometric(5), runs},
        {What("6", "fair", 2000, Bursts), "6", fair, 2000, Bursts, runs},
        {What("6", "fair", 2000, LongRests), "6", fair, 2000, LongRests, runs},
        {What("6", "item 1 at 25%", 2000, Independent), "6", favoured6, 2000, Independent,
            biasedRuns},
        {What("6", "item 1 at 25%", 2000, Geometric(5)), "6", favoured6, 2000, Geometric(5),
            biasedRuns},
        {What("6.0001", "fair", 2000, Geometric(5)), "6.0001", fair, 2000, Geometric(5), runs},
        {What("20", "fair", 2000, Geometric(10)), "20", fair, 2000, Geometric(10), runs},
        {What("100", "fair", 20000, Geometric(20)), "100", fair, 20000, Geometric(20), runs},
        {What("20000", "fair", 2000, Independent), "20000", fair, 2000, Independent, sparseRuns},
        {What("20000", "fair", 2000, Geometric(5)), "20000", fair, 2000, Geometric(5),
            sparseRuns},
        {What("20000", "half on items 1-100", 2000, Independent), "20000",
            SomeFavoured(20000, 100), 2000, Independent, sparseRuns},
        {What("20000", "fair", 20000, Independent), "20000", fair, 20000, Independent,
            sparseRuns / 5},
    };
    // clang-format on
    std::printf("\n%-62s %6s %9s %9s %8s %8s\n", "simulated runs", "runs", "uneven", "not judged",
                "median k", "ms/run");
    for (const Row& row : rows) {
        Print(row, Simulate(row, ++seed));
    }

    // The detectable difference checked: runs with item 1 drawn k times as often as the law
    // gives it, k the median the reading gave for runs of that size, should be found about 4 in 5.
    std::printf("\nchecks of k: item 1 drawn k times as often, k as the reading gave it\n");
    const std::vector<Row> checked = {
        {What("2", "k", 2000, Geometric(5)), "2", fair, 2000, Geometric(5), biasedRuns},
        {What("2", "k", 2000, Bursts), "2", fair, 2000, Bursts, biasedRuns},
        {What("2.5", "k", 2000, Independent), "2.5", fair, 2000, Independent, biasedRuns},
        {What("3", "k", 200, Independent), "3", fair, 200, Independent, biasedRuns},
        {What("6", "k", 2000, Independent), "6", fair, 2000, Independent, biasedRuns},
        {What("6", "k", 2000, Geometric(5)), "6", fair, 2000, Geometric(5), biasedRuns},
        {What("20000", "k", 2000, Independent), "20000", fair, 2000, Independent,
         std::min(biasedRuns, 200)},
    };
    for (Row row : checked) {
        const double k = Simulate(row, ++seed).detectable;
        row.chances = DrawnKTimesAsOften(LawOfDraw(row.outcomes).chances, k);
        row.what += "=" + FactorText(k);
        Print(row, Simulate(row, ++seed));
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
    std::printf("\n%.0f s wall, %.0f s CPU\n", wall.count(),
                static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);
    return 0;
}
