#pragma once
#include <iosfwd>
#include <string>

// Checks a file that oamst or zorvane wrote with --nets, net by net, against
// the nets file and the obstacle file it was made from: the banner, then
// per net a "# net K" line (K from 1, every net in order), perhaps a
// "# status" line, and the net's blocks. Each net's pieces are checked as
// treecheck checks a whole file, against its own pins and every obstacle.
// Writes one line per net ("net K: name: value; ...", or with json one
// JSON object per line with the net's number and status), then the count
// of nets and of legal nets (plain only). Returns treecheck's exit status:
// 0 every net legal, 2 unreadable input or a file that does not match the
// nets, 3 report not written, 4 some net not legal (messages on err).
int checkNetsFile(const std::string& netsPath,
                  const std::string& obstaclePath,
                  const std::string& treePath,
                  bool json,
                  std::ostream& out,
                  std::ostream& err);
