#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class Vertex;

// Readers of the two input files. Each appends the vertices it makes to out:
// pins in file order, or obstacle corners four by four, each rectangle's
// corners linked into a ring in file order. On bad input they append nothing,
// return false and leave in error a message that names the file, the record
// and its line. The caller owns the vertices.
bool readPinFile(const std::string& path,
                 std::vector<Vertex*>& out,
                 std::string& error);
bool readObstacleFile(const std::string& path,
                      std::vector<Vertex*>& out,
                      std::string& error);

// The same over text already in memory; name stands for the file in messages.
bool parsePins(std::string_view text,
               const std::string& name,
               std::vector<Vertex*>& out,
               std::string& error);
bool parseObstacles(std::string_view text,
                    const std::string& name,
                    std::vector<Vertex*>& out,
                    std::string& error);

// A nets file: pin records as in a pin file, each net ended by its end
// record (x = -1) or by the end of the text, so that a pin file is a nets
// file of one net. Appends each pin to pins and, after each net, the count
// of pins so far to netEnds (two end records in a row make an empty net).
// On bad input appends nothing and returns false with a message naming the
// file, the record (counted over the whole file) and its line.
struct NetPin {
  float x;
  float y;
};
bool parseNets(std::string_view text,
               const std::string& name,
               std::vector<NetPin>& pins,
               std::vector<size_t>& netEnds,
               std::string& error);

// Reads a whole file; false with a message when it cannot be opened or read.
bool readWholeFile(const std::string& path,
                   std::string& text,
                   std::string& error);
