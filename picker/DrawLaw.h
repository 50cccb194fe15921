#pragma once

#include <string_view>
#include <vector>

// The law of one draw of Picker::Draw, x = N r + 1 floored with r uniform in [0, 1), for the
// outcome count N read as a real. For a whole N of 2 or more, items 1..N at 1/N each; for 5.6,
// items 1..5 at 1/5.6 and item 6 at 0.6/5.6. The expected counts of the tables and the fairness
// reading both follow it.
struct DrawLaw {
    double n = 0;                 // the outcome count as a real
    std::vector<double> chances;  // the chance of items 1..K, at index k - 1
    bool fractional = false;      // the last item is drawn less often than the others

    int Items() const { return static_cast<int>(chances.size()); }
};

// The law for an outcome-count text; no chances when the text is not a number or N is below 1 or
// above 32767.
DrawLaw LawOfDraw(std::string_view outcomes);
