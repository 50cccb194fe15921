#pragma once

#include <vector>

#include "finish/fairness/Random.h"
#include "picker/DrawLaw.h"

// The draw as the generator makes it, x = N r + 1 floored, with item 1 drawn factor times as often
// as its law gives, relative to the others (it takes [0, factor q1) of a longer range, and the
// others the rest as before); and the draw of the item that begins the next stretch, which is the
// same draw conditioned on differing from the current item. That one is drawn directly from the
// range without the current item's part, so that it costs the same however likely the current
// item is.
class ChainDraw {
public:
    ChainDraw(const DrawLaw& law, double factor);

    int Fresh(Random& random) const { return ItemAt(random.Uniform() * total_); }

    int Next(int current, Random& random) const {
        const double width = Width(current);
        double u = random.Uniform() * (total_ - width);
        if (u >= Start(current)) {
            u += width;
        }
        const int item = ItemAt(u);
        // Rounding at the edge of the current item's part may land on it: take its neighbour.
        return item != current ? item : current == 1 ? 2 : current - 1;
    }

    // The chance of items 1..K.
    std::vector<double> Chances() const;

private:
    double Start(int item) const { return item == 1 ? 0 : first_ + (item - 2) * each_; }
    double Width(int item) const { return item == 1 ? first_ : item == items_ ? last_ : each_; }
    int ItemAt(double u) const {
        if (u < first_) {
            return 1;
        }
        const double place = (u - first_) / each_;
        return place >= items_ - 2 ? items_ : 2 + static_cast<int>(place);
    }

    int items_;
    double first_;  // item 1's part of the range
    double each_;   // the part of each of items 2..K-1
    double last_;   // item K's part
    double total_;
};

// The law of the item that begins each stretch: the chain of changes settles on pi_i
// proportional to q_i (1 - q_i), for the chances q.
std::vector<double> StretchLaw(const std::vector<double>& chances);
