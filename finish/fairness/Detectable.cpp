#include "finish/fairness/Detectable.h"

#include <cmath>

#include "finish/Fairness.h"

std::optional<double> SmallestFound(const std::function<double(double)>& found) {
    if (found(LargestFactor) < FoundShare) {
        return std::nullopt;
    }
    double low = 0, high = std::log(LargestFactor);
    while (high - low > 0.04) {
        const double middle = (low + high) / 2;
        (found(std::exp(middle)) < FoundShare ? low : high) = middle;
    }
    return std::exp(high);
}

std::optional<double> SmallestFoundUnimodal(const std::function<double(double)>& found) {
    double low = 1;
    for (double factor = 1.05; factor <= LargestFactor; factor *= 1.05) {
        if (found(factor) >= FoundShare) {
            double high = factor;
            while (high / low > 1.01) {
                const double middle = std::sqrt(low * high);
                (found(middle) < FoundShare ? low : high) = middle;
            }
            return high;
        }
        low = factor;
    }
    return std::nullopt;
}
