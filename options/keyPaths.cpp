#include "options/keyPaths.h"

#include <cmath>
#include <utility>

double pieceLength(const WirePlan& plan, int p) {
  const RoutePoint& u = plan.nodes[plan.pieces[p].first];
  const RoutePoint& v = plan.nodes[plan.pieces[p].second];
  return std::fabs(static_cast<double>(u.x) - v.x) +
         std::fabs(static_cast<double>(u.y) - v.y);
}

KeyPaths keyPathsOf(WirePlan plan, bool withNodes) {
  KeyPaths kt{std::move(plan), {}, {}, {}};
  const WirePlan& wp = kt.plan;
  int n = static_cast<int>(wp.nodes.size());
  std::vector<std::vector<int>> adj(n);
  for (int p = 0; p < static_cast<int>(wp.pieces.size()); ++p) {
    adj[wp.pieces[p].first].push_back(p);
    adj[wp.pieces[p].second].push_back(p);
  }
  kt.key.assign(n, 0);
  for (int v = 0; v < n; ++v) {
    kt.key[v] = wp.pinAt[v] || adj[v].size() != 2;
  }
  kt.keyAdj.assign(n, {});
  std::vector<char> pieceDone(wp.pieces.size(), 0);
  for (int a = 0; a < n; ++a) {
    if (!kt.key[a]) {
      continue;
    }
    for (int p0 : adj[a]) {
      if (pieceDone[p0]) {
        continue;
      }
      KeyPaths::Path kp{a, -1, 0, {}, {}};
      if (withNodes) {
        kp.nodes.push_back(a);
      }
      int cur = a, p = p0;
      for (;;) {
        pieceDone[p] = 1;
        kp.pieces.push_back(p);
        kp.length += pieceLength(wp, p);
        int next = wp.pieces[p].first == cur ? wp.pieces[p].second
                                             : wp.pieces[p].first;
        if (withNodes) {
          kp.nodes.push_back(next);
        }
        if (kt.key[next]) {
          kp.b = next;
          break;
        }
        p = adj[next][0] == p ? adj[next][1] : adj[next][0];
        cur = next;
      }
      kt.keyAdj[kp.a].push_back(static_cast<int>(kt.paths.size()));
      kt.keyAdj[kp.b].push_back(static_cast<int>(kt.paths.size()));
      kt.paths.push_back(std::move(kp));
    }
  }
  return kt;
}
