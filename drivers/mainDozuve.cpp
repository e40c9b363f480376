#include "drivers/driver.h"

int main(int argc, char** argv) {
  return runDriver(Program::oamst, argc, argv);
}
