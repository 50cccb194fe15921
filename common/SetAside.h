#pragma once

#include <string>

// Moves the file name of folder to the first of name.1, name.2 ... that no file has, without ever
// replacing one, syncs the folder, and returns the new name. Its bytes stay exactly as they were.
// A file failure names the file and the reason; one that comes after the move names the new file.
std::string SetAside(int folder, const char* name);
