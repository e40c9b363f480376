#pragma once
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/vertex.h"

// A broken invariant: say which, then abort so that libFuzzer keeps the
// input that broke it.
[[noreturn]] inline void failInvariant(const char* what,
                                       const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.c_str());
  std::abort();
}

#define FUZZ_CHECK(cond, detail)      \
  do {                                \
    if (!(cond)) {                    \
      failInvariant(#cond, (detail)); \
    }                                 \
  } while (0)

// A reader's message starts with the file's name and the record, and names
// a line the text has; a line ends at LF, CRLF or a lone CR.
inline void checkReaderError(const std::string& error,
                             const std::string& start,
                             std::string_view text) {
  FUZZ_CHECK(error.rfind(start, 0) == 0, error);
  size_t at = error.find(", line ");
  FUZZ_CHECK(at != std::string::npos, error);
  long line = std::strtol(error.c_str() + at + 7, nullptr, 10);
  long lines = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    lines += text[i] == '\n' ||
             (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
  }
  FUZZ_CHECK(line >= 1 && line <= lines, error);
}

inline bool sameBits(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

inline void freeVertices(std::vector<Vertex*>& vs, size_t from) {
  for (size_t i = from; i < vs.size(); ++i) {
    delete vs[i];
  }
  vs.resize(from);
}
