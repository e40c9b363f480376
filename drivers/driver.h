#pragma once

// The command line shared by both programs: check the arguments, read the
// two input files, time one pipeline entry, write one output file.
// Exit status: 0 done, 1 usage, 2 bad input, 3 output not written,
// 4 pins that could not all be joined (the forest is still written).
enum class Program { oamst, zorvane };

int runDriver(Program program, int argc, char** argv);
