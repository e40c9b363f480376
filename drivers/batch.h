#pragma once
#include <string>

#include "drivers/driver.h"

// Many nets in one run: each net of the nets file routed among the
// obstacles near it, on a pool of threads, written in the nets' order.
struct BatchRequest {
  bool given = false;  // --nets
  bool tuned = false;  // --threads or --format
  Program program = Program::zorvane;
  std::string netsPath;
  std::string obstaclePath;
  std::string outputPath;
  bool exactGraph = false;
  bool noRefine = false;
  bool optimize = false;
  int threads = 0;  // 0: one per core
  bool json = false;
};

// The batch options: --nets FILE, --threads N (1 to 4096), --format
// plain|json, each also as --opt=value.
bool isBatchOption(const std::string& arg);
// Takes the option at argv[i] and its value (advancing i past a separate
// value) into the request; false, with a message on standard error, on a
// missing or bad value.
bool parseBatchOption(
    const char* program, int argc, char** argv, int& i, BatchRequest& request);
// False, with a message, for --threads or --format without --nets.
bool checkBatchOptions(const char* program, const BatchRequest& request);

// Exit status: 0 every net one tree; 2 an input file unreadable or invalid
// (nothing written); 3 output not written; 4 some nets' pins walled apart
// (forests written); 5 some nets refused (a pin inside an obstacle), the
// others written; 5 takes precedence over 4.
int runBatch(const BatchRequest& request);
