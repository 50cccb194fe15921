#pragma once

// Opens /dev/null on each of 0, 1 and 2 that is closed, and says whether 1, stdout, was. A closed
// one would be the number of the next file Kelpov opens, so that what it writes to stdout or stderr
// (results, a warning) would land in that file, "data.txt" say. To be called first thing, before
// any file is opened. Where /dev/null cannot be opened, the root folder holds the place: writes to
// it fail.
bool FillClosedStandardFiles();
