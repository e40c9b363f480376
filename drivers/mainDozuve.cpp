#include "drivers/driver.h"
#include "drivers/programMain.h"

int main(int argc, char** argv) {
  return runMain("oamst",
                 [&] { return runDriver(Program::oamst, argc, argv); });
}
