#include "drivers/driver.h"
#include "drivers/programMain.h"

int main(int argc, char** argv) {
  return runMain("zorvane",
                 [&] { return runDriver(Program::zorvane, argc, argv); });
}
