#pragma once

#include <optional>
#include <string_view>

#include "picker/Picker.h"

// The results of a run that never reached its finish, from the picks in "data.txt" of the current
// folder: with the folder taken for picker (it stays taken while picker lives), reads the log back
// into picker through its lock, sweeps the leftovers of an earlier finish, then counts, ranks and
// writes both tables as Finish does. Returns the number of a torn last line it left out. Every
// refusal (no log, the folder or the log in use, a log no longer the file that picker locked, a
// line that is not a recorded pick, more picks than a run records) comes before any file is
// touched.
std::optional<int> FinishFromLog(Picker& picker, std::string_view outcomes);
