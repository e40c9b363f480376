// Any text as a pin file: the reader either appends pins that read back
// unchanged when written out, or appends nothing and names a line.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/readInput.h"
#include "fuzz/fuzzCheck.h"
#include "geometry/vertex.h"
#include "support/formatCoord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Vertex earlier(7, 7, "pin");
  std::vector<Vertex*> out{&earlier};
  std::string error;
  bool ok = parsePins(text, "pins.txt", out, error);
  FUZZ_CHECK(!out.empty() && out[0] == &earlier, "an earlier entry was lost");
  if (!ok) {
    FUZZ_CHECK(out.size() == 1, "a failed read appended vertices");
    checkReaderError(error, "pins.txt: record ", text);
    return 0;
  }
  std::string again;
  for (size_t i = 1; i < out.size(); ++i) {
    const Vertex* v = out[i];
    std::string at = "pin " + std::to_string(i);
    FUZZ_CHECK(v->isAPin(), at);
    FUZZ_CHECK(std::isfinite(v->x) && std::isfinite(v->y), at);
    FUZZ_CHECK(v->x != -1.0f, at + " is the end marker");
    FUZZ_CHECK(!v->pNextCorner && !v->pPrevCorner, at);
    again += formatCoord(v->x) + " " + formatCoord(v->y) + " pin\n";
  }
  again += "-1 -1 pin\n";
  std::vector<Vertex*> back;
  FUZZ_CHECK(parsePins(again, "again", back, error), error);
  FUZZ_CHECK(back.size() + 1 == out.size(), again);
  for (size_t i = 0; i < back.size(); ++i) {
    FUZZ_CHECK(sameBits(back[i]->x, out[i + 1]->x) &&
                   sameBits(back[i]->y, out[i + 1]->y),
               again);
  }
  freeVertices(back, 0);
  freeVertices(out, 1);
  return 0;
}
