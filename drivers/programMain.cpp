#include "drivers/programMain.h"

#include <exception>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include "support/outputFile.h"

namespace {

bool reading = false;

}  // namespace

ReadingInput::ReadingInput() : outer_(std::uncaught_exceptions()) {
  reading = true;
}

ReadingInput::~ReadingInput() {
  // An exception leaving the reading keeps the flag for runMain to see.
  if (std::uncaught_exceptions() == outer_) {
    reading = false;
  }
}

int runMain(const char* program, const std::function<int()>& body) {
  removeTemporariesOnSignals();
  std::string why;
  try {
    return body();
  } catch (const std::bad_alloc&) {
    why = "out of memory";
  } catch (const std::length_error&) {
    why = "out of memory";
  } catch (const std::system_error& e) {
    // A thread that cannot start says EAGAIN, nothing more.
    why = std::string("out of threads or memory: ") + e.what();
  } catch (const std::exception& e) {
    why = e.what();
  } catch (...) {
    why = "stopped by an exception of unknown type";
  }
  bool input = reading;
  reading = false;
  std::cerr << program << ": " << why
            << (input ? " while reading the input" : "") << std::endl;
  return input ? 2 : 3;
}
