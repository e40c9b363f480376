#include "drivers/driver.h"

int main(int argc, char** argv) {
  return runDriver(Program::zorvane, argc, argv);
}
