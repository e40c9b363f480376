#pragma once
#include <functional>

// What every program's main runs its body in: temporary output files go
// when a signal ends the run, and an exception that escapes the body (a
// thread that cannot start, memory that runs out) ends the run with a
// one-line message on standard error and status 3, or 2 while the input is
// read, instead of an abort. The stack unwinds first, so every OutputFile
// removes its temporary file and leaves the old file as it was.
int runMain(const char* program, const std::function<int()>& body);

// While one lives, a shortage ends the run with status 2: the input could
// not be read.
class ReadingInput {
 public:
  ReadingInput();
  ~ReadingInput();
  ReadingInput(const ReadingInput&) = delete;
  ReadingInput& operator=(const ReadingInput&) = delete;

 private:
  int outer_;  // the exceptions in flight when it began
};
