#pragma once

// What a Router's entries do beyond the default pipeline, and a hook for
// timing its stages.
struct RouterOptions {
  // formSG builds the exact graph instead of the sides and sweeps.
  bool exactGraph = false;
  // formOptimizedSMT's level of work, from 1: each level a fixed multiple
  // of the one below, its tree never longer.
  int effort = 1;
  // formOptimizedSMT also proves a lower bound on the optimum's length
  // (Router::lowerBound).
  bool bound = false;
  // Called, when set, after each stage of a pipeline entry with the stage's
  // name and pStageData: for timing; stages never look at it.
  void (*pStageDone)(const char* stage, void* data) = nullptr;
  void* pStageData = nullptr;
};
