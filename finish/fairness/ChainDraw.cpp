#include "finish/fairness/ChainDraw.h"

ChainDraw::ChainDraw(const DrawLaw& law, double factor)
    : items_(law.Items()),
      first_(factor * law.chances.front()),
      each_(1 / law.n),
      last_(law.chances.back()),
      total_(first_ + (1 - law.chances.front())) {}

std::vector<double> ChainDraw::Chances() const {
    std::vector<double> chances;
    for (int item = 1; item <= items_; ++item) {
        chances.push_back(Width(item) / total_);
    }
    return chances;
}

std::vector<double> StretchLaw(const std::vector<double>& chances) {
    std::vector<double> pi;
    double sum = 0;
    for (const double chance : chances) {
        pi.push_back(chance * (1 - chance));
        sum += pi.back();
    }
    for (double& share : pi) {
        share /= sum;
    }
    return pi;
}
