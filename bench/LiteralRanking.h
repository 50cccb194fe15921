#pragma once

#include <string_view>

#include "picker/Picker.h"

// The tally and the exchange passes written out step by step as first defined: a nested scan of
// every pick for every item, and full exchange passes with no early stop. Quadratic: the baseline
// that the benchmarks set the engine's linear tally and stable sort beside.
void LiteralTallyPicks(Picker& picker, std::string_view outcomes);
void LiteralRankPasses(Picker& picker, std::string_view outcomes);

// Finish with the two literal stages in place of the engine's.
void LiteralFinish(Picker& picker, std::string_view outcomes);
