#include "spatial/linePlan.h"

#include <algorithm>
#include <limits>

namespace {

const auto byLine = [](const LineStretch& a, const LineStretch& b) {
  return a.line < b.line ||
         (a.line == b.line && (a.lo < b.lo || (a.lo == b.lo && a.hi < b.hi)));
};

const auto lessPoint = [](const RoutePoint& a, const RoutePoint& b) {
  return a.x < b.x || (a.x == b.x && a.y < b.y);
};

// Sorts the stretches (buffer: working room) and unites those that overlap
// or touch on one line into runs; first[r] is the place of run r's first
// stretch, first's last entry the stretches' count. Stretches alike but for
// their mark may come in either order: what follows reads their marks
// alike.
void mergeRuns(std::vector<LineStretch>& sorted,
               std::vector<LineStretch>& runs,
               std::vector<int>& first,
               std::vector<LineStretch>& buffer) {
  // Lines planned whole come in order after a few stretches of a tree: the
  // ordered tail is merged with the rest sorted, not sorted again (a sort
  // may fall back on a heap there).
  size_t tail = sorted.size();
  while (tail > 1 && !byLine(sorted[tail - 1], sorted[tail - 2])) {
    --tail;
  }
  if (tail > 0) {
    --tail;
  }
  if (tail == 0) {
  } else if (sorted.size() - tail < 64) {
    std::sort(sorted.begin(), sorted.end(), byLine);
  } else {
    std::sort(sorted.begin(), sorted.begin() + static_cast<long>(tail), byLine);
    buffer.resize(sorted.size());
    std::merge(sorted.begin(), sorted.begin() + static_cast<long>(tail),
               sorted.begin() + static_cast<long>(tail), sorted.end(),
               buffer.begin(), byLine);
    sorted.swap(buffer);
  }
  runs.clear();
  first.clear();
  for (size_t i = 0; i < sorted.size(); ++i) {
    const LineStretch& t = sorted[i];
    if (!runs.empty() && runs.back().line == t.line && t.lo <= runs.back().hi) {
      runs.back().hi = std::max(runs.back().hi, t.hi);
    } else {
      runs.push_back(t);
      first.push_back(static_cast<int>(i));
    }
  }
  first.push_back(static_cast<int>(sorted.size()));
}

// The run on `line` that holds `at`, or -1; runs sorted and disjoint.
int findRun(const std::vector<LineStretch>& runs, float line, float at) {
  auto it = std::upper_bound(
      runs.begin(), runs.end(), std::make_pair(line, at),
      [](const std::pair<float, float>& p, const LineStretch& r) {
        return p.first < r.line || (p.first == r.line && p.second < r.lo);
      });
  if (it == runs.begin()) {
    return -1;
  }
  --it;
  return it->line == line && at <= it->hi ? static_cast<int>(it - runs.begin())
                                          : -1;
}

// Run r's cut places, ascending and distinct, each given to emit with the
// run of the other axis that meets it there (-1 for none): its stretches'
// ends, its contacts with the other runs (found among those whose line
// lies in its span: they come sorted by line), and the pins on it (pins:
// (run, place), sorted; cursor at run r's first). The ends and pins are
// ordered apart (low and high: working room) and merged into the
// contacts.
template <class Emit>
void cutRun(const std::vector<LineStretch>& runs,
            const std::vector<int>& first,
            const std::vector<LineStretch>& sorted,
            size_t r,
            const std::vector<LineStretch>& other,
            const std::vector<std::pair<int, float>>& pins,
            size_t& cursor,
            std::vector<float>& ends,
            std::vector<float>& low,
            std::vector<float>& high,
            Emit emit) {
  const LineStretch& run = runs[r];
  // The stretches come sorted by their lower ends; their upper ones too
  // where none holds another (a line's steps between crossings), and a
  // run's pins by place: merging them orders the ends as a sort would, at
  // a fraction of its work on a long line.
  size_t pinsFrom = cursor;
  for (; cursor < pins.size() && pins[cursor].first == static_cast<int>(r);
       ++cursor) {
  }
  if (first[r + 1] - first[r] == 1) {
    // Most runs are one stretch, whose pins lie within it: its low end,
    // the pins, its high end (after pins equal to it, as the merge below
    // orders them).
    const LineStretch& t = sorted[first[r]];
    ends.clear();
    ends.push_back(t.lo);
    size_t p = pinsFrom;
    for (; p < cursor && pins[p].second < t.hi; ++p) {
      ends.push_back(pins[p].second);
    }
    ends.push_back(t.hi);
    for (; p < cursor; ++p) {
      ends.push_back(pins[p].second);
    }
  } else {
    low.clear();
    high.clear();
    for (int i = first[r]; i < first[r + 1]; ++i) {
      low.push_back(sorted[i].lo);
      high.push_back(sorted[i].hi);
    }
    if (!std::is_sorted(high.begin(), high.end())) {
      std::sort(high.begin(), high.end());
    }
    size_t merged = low.size() + high.size();
    ends.resize(merged + (cursor - pinsFrom));
    std::merge(low.begin(), low.end(), high.begin(), high.end(), ends.begin());
    // The run's few pins, sorted, merged in from the back: no working room
    // to allocate.
    for (size_t k = ends.size(), p = cursor; p > pinsFrom;) {
      float at = pins[p - 1].second;
      if (merged > 0 && ends[merged - 1] > at) {
        ends[--k] = ends[--merged];
      } else {
        ends[--k] = at;
        --p;
      }
    }
  }
  size_t e = 0;
  bool any = false;
  float last = 0;
  auto cut = [&](float at, int j) {
    emit(at, j);
    any = true;
    last = at;
  };
  auto add = [&](float at) {
    if (!any || last != at) {
      cut(at, -1);
    }
  };
  // Read through pointers: emit's pushes would have the lists' places read
  // again after each.
  const float* end = ends.data();
  const size_t count = ends.size();
  const float line = run.line, hi = run.hi;
  const LineStretch* o = other.data();
  const LineStretch* oEnd = o + other.size();
  const LineStretch* j = std::lower_bound(
      o, oEnd, run.lo,
      [](const LineStretch& x, float at) { return x.line < at; });
  for (; j != oEnd && j->line <= hi; ++j) {
    if (j->lo <= line && line <= j->hi) {
      float at = j->line;
      // Most crossings have no end before or at them: one test for those.
      if (e < count && end[e] <= at) {
        for (; e < count && end[e] < at; ++e) {
          add(end[e]);
        }
        for (; e < count && end[e] == at; ++e) {
        }
      }
      cut(at, static_cast<int>(j - o));
    }
  }
  for (; e < count; ++e) {
    add(end[e]);
  }
}

// Marks each piece of run r (between its cuts at[from..to)), from out on
// (all clear), that a marked stretch of the run covers: pieces are cut at
// every stretch end, so a piece lies within a stretch or apart from it.
void markRun(const std::vector<int>& first,
             const std::vector<LineStretch>& sorted,
             size_t r,
             const float* at,
             size_t count,
             char* out) {
  int i = first[r];
  bool none = true;
  for (int q = i; q < first[r + 1]; ++q) {
    none = none && !sorted[q].marked;
  }
  if (none) {
    return;  // no stretch of the run is marked: neither is a piece
  }
  float reach = -std::numeric_limits<float>::infinity();
  bool any = false;
  for (size_t k = 1; k < count; ++k) {
    for (; i < first[r + 1] && sorted[i].lo <= at[k - 1]; ++i) {
      if (sorted[i].marked) {
        reach = any ? std::max(reach, sorted[i].hi) : sorted[i].hi;
        any = true;
      }
    }
    out[k - 1] = any && reach >= at[k];
  }
}

void pinCuts(const std::vector<RoutePoint>& pins,
             const std::vector<LineStretch>& runs,
             bool horizontal,
             std::vector<std::pair<int, float>>& out) {
  out.clear();
  for (const RoutePoint& p : pins) {
    float line = horizontal ? p.y : p.x;
    float at = horizontal ? p.x : p.y;
    int r = findRun(runs, line, at);
    if (r >= 0) {
      out.emplace_back(r, at);
    }
  }
  std::sort(out.begin(), out.end());
}

}  // namespace

void addStretches(const std::vector<Wire>& wires,
                  bool marked,
                  std::vector<LineStretch>& h,
                  std::vector<LineStretch>& v) {
  for (const Wire& w : wires) {
    if (w.y1 == w.y2 && w.x1 != w.x2) {
      h.push_back({w.y1, std::min(w.x1, w.x2), std::max(w.x1, w.x2), marked});
    } else if (w.x1 == w.x2 && w.y1 != w.y2) {
      v.push_back({w.x1, std::min(w.y1, w.y2), std::max(w.y1, w.y2), marked});
    }
  }
}

void planLines(const std::vector<LineStretch>& h,
               const std::vector<LineStretch>& v,
               const std::vector<RoutePoint>& pins,
               WirePlan& plan,
               std::vector<char>* marked,
               LinePlanScratch& s,
               std::vector<int>* runs) {
  s.h = h;
  s.v = v;
  mergeRuns(s.h, s.hRuns, s.hFirst, s.buffer);
  mergeRuns(s.v, s.vRuns, s.vFirst, s.buffer);
  pinCuts(pins, s.hRuns, true, s.hPins);
  pinCuts(pins, s.vRuns, false, s.vPins);

  // The vertical runs' points, run by run and along each, come sorted by x,
  // then y: runs on one line are apart.
  s.vPts.clear();
  s.vStart.assign(1, 0);
  size_t cursor = 0;
  for (size_t r = 0; r < s.vRuns.size(); ++r) {
    float line = s.vRuns[r].line;
    cutRun(s.vRuns, s.vFirst, s.v, r, s.hRuns, s.vPins, cursor, s.ends, s.low,
           s.high, [&](float at, int) {
             s.vPts.push_back({line, at});
           });
    s.vStart.push_back(static_cast<int>(s.vPts.size()));
  }
  // The horizontal runs' points: where one meets a vertical run, that
  // run's point; the others are the only nodes the vertical points lack.
  s.hAt.clear();
  s.hMeets.clear();
  s.hStart.assign(1, 0);
  s.extra.clear();
  cursor = 0;
  for (size_t r = 0; r < s.hRuns.size(); ++r) {
    float line = s.hRuns[r].line;
    cutRun(s.hRuns, s.hFirst, s.h, r, s.vRuns, s.hPins, cursor, s.ends, s.low,
           s.high, [&](float at, int j) {
             if (j < 0) {
               s.extra.push_back({{at, line}, static_cast<int>(s.hAt.size())});
             }
             s.hAt.push_back(at);
             s.hMeets.push_back(j);
           });
    s.hStart.push_back(static_cast<int>(s.hAt.size()));
  }
  std::sort(s.extra.begin(), s.extra.end(),
            [](const std::pair<RoutePoint, int>& a,
               const std::pair<RoutePoint, int>& b) {
              return lessPoint(a.first, b.first);
            });

  plan.nodes.clear();
  plan.pieces.clear();
  plan.pinAt.clear();
  // The nodes and pieces sized first and written through pointers: a push
  // would have every list's place read again.
  const size_t vCount = s.vPts.size(), extraCount = s.extra.size();
  plan.nodes.resize(vCount + extraCount);
  s.vNode.resize(vCount);
  s.hNode.resize(s.hAt.size());
  {
    RoutePoint* node = plan.nodes.data();
    const RoutePoint* vPts = s.vPts.data();
    const std::pair<RoutePoint, int>* extra = s.extra.data();
    int* vNode = s.vNode.data();
    int* hNode = s.hNode.data();
    size_t a = 0, b = 0;
    int made = 0;
    while (a < vCount || b < extraCount) {
      if (b == extraCount ||
          (a < vCount && lessPoint(vPts[a], extra[b].first))) {
        vNode[a] = made;
        node[made++] = vPts[a++];
      } else {
        hNode[extra[b].second] = made;
        node[made++] = extra[b++].first;
      }
    }
  }
  // The horizontal runs come by line, so each vertical run's points are
  // met in their order along it: a cursor per run finds the crossing.
  s.vCursor.assign(s.vStart.begin(), s.vStart.end() - 1);
  // Read through pointers: only the plan's pieces and marks grow.
  int* vCursor = s.vCursor.data();
  const int* vStart = s.vStart.data();
  const RoutePoint* vPts = s.vPts.data();
  const int* hMeets = s.hMeets.data();
  const int* vNode = s.vNode.data();
  int* hNode = s.hNode.data();
  const int* hStart = s.hStart.data();
  const LineStretch* hRuns = s.hRuns.data();
  const size_t hCount = s.hRuns.size();
  size_t pieceCount = 0;
  for (size_t r = 0; r < hCount; ++r) {
    pieceCount +=
        static_cast<size_t>(std::max(hStart[r + 1] - hStart[r] - 1, 0));
  }
  for (size_t r = 0; r + 1 < s.vStart.size(); ++r) {
    pieceCount +=
        static_cast<size_t>(std::max(vStart[r + 1] - vStart[r] - 1, 0));
  }
  plan.pieces.resize(pieceCount);
  std::pair<int, int>* piece = plan.pieces.data();
  // Sized and cleared once: each run marks its own pieces' places.
  if (marked) {
    marked->assign(pieceCount, 0);
  }
  for (size_t r = 0; r < hCount; ++r) {
    float line = hRuns[r].line;
    for (int k = hStart[r], end = hStart[r + 1]; k < end; ++k) {
      if (int j = hMeets[k]; j >= 0) {
        int at = vCursor[j];
        while (at + 1 < vStart[j + 1] && vPts[at].y < line) {
          ++at;
        }
        vCursor[j] = at;
        hNode[k] = vNode[at];
      }
      if (k > hStart[r]) {
        *piece++ = {hNode[k - 1], hNode[k]};
      }
    }
    if (marked) {
      markRun(s.hFirst, s.h, r, s.hAt.data() + hStart[r],
              static_cast<size_t>(hStart[r + 1] - hStart[r]),
              marked->data() + (piece - plan.pieces.data()) -
                  std::max(hStart[r + 1] - hStart[r] - 1, 0));
    }
  }
  for (size_t r = 0, count = s.vRuns.size(); r < count; ++r) {
    for (int k = vStart[r] + 1, end = vStart[r + 1]; k < end; ++k) {
      *piece++ = {vNode[k - 1], vNode[k]};
    }
    if (marked) {
      s.hAt.resize(static_cast<size_t>(vStart[r + 1] - vStart[r]));
      float* along = s.hAt.data();
      for (int k = vStart[r]; k < vStart[r + 1]; ++k) {
        *along++ = vPts[k].y;
      }
      markRun(s.vFirst, s.v, r, s.hAt.data(), s.hAt.size(),
              marked->data() + (piece - plan.pieces.data()) -
                  std::max(vStart[r + 1] - vStart[r] - 1, 0));
    }
  }
  if (runs) {
    runs->clear();
    for (size_t r = 0; r < s.hRuns.size(); ++r) {
      runs->insert(runs->end(), s.hNode.begin() + s.hStart[r],
                   s.hNode.begin() + s.hStart[r + 1]);
      runs->push_back(-1);
    }
    for (size_t r = 0; r < s.vRuns.size(); ++r) {
      runs->insert(runs->end(), s.vNode.begin() + s.vStart[r],
                   s.vNode.begin() + s.vStart[r + 1]);
      runs->push_back(-1);
    }
  }
}
