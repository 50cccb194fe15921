#pragma once

class CommandLine;

// The program with its window: connects to the windowing system, raises the window of a Kelpov
// already at work in the folder instead of starting a second one, or shows Form1 until it closes.
// Returns the exit status: 0 after a close, 1 after a failure (reported), or when no window could
// be opened.
int RunWindow(int& argc, char* argv[], const CommandLine& commandLine);
