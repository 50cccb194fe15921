#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "picker/Picker.h"

// Reading a data log back into a store: the picks of a run that never reached its finish.

// Hands each pick the text of a data log records to store, in order, as the beats stored them.
// Every line must be a pick in print form followed by CR LF, as Record writes it; any other line is
// a file failure that names its number. A last line cut off before its CR LF, as only a system
// crash leaves one, is left out, and its number returned. A line beyond the store's 20000, whole or
// cut off, is a range failure, as the beat after a full store is.
std::optional<int> ReadPicks(std::string_view log, const std::function<void(Int16)>& store);

// Stores the picks of a data log into Picks[1..] and PickCount, as ReadPicks reads them.
std::optional<int> LoadPicks(Picker& picker, std::string_view log);

// Whether the text of a data log is one a run could have written: what ReadPicks takes, and so
// kelpov --finish.
bool IsDataLog(std::string_view log);
