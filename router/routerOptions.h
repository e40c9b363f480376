#pragma once

// What a Router's entries do beyond the default pipeline, and a hook for
// timing its stages.
struct RouterOptions {
  // formSG builds the exact graph instead of the sides and sweeps.
  bool exactGraph = false;
  // Called, when set, after each stage of a pipeline entry with the stage's
  // name and pStageData: for timing; stages never look at it.
  void (*pStageDone)(const char* stage, void* data) = nullptr;
  void* pStageData = nullptr;
};
