#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "support/plane.h"

class Vertex;

// The readers of the input files, in the coordinate type T that holds them:
// float for the programs, double for checking trees. A coordinate that T
// cannot hold as written is refused, never rounded; so is a NUL byte
// anywhere; a leading UTF-8 byte-order mark is skipped. On bad input a
// reader appends nothing, returns false and leaves in error a message that
// names the file, the record and its line, odd bytes escaped.
// A coordinate as the programs take it, held as a double: a float's
// decimal (0.1 is 0.1), or an integer up to 2^31 in magnitude that no float
// holds (16777217), which puts its net in a frame of its own.
struct DesignCoord {
  double v = 0;
  DesignCoord() = default;
  DesignCoord(double d) : v(d) {}  // NOLINT: a coordinate is its value
  operator double() const { return v; }
};

template <class T>
using InputPoint = treecore::plane::Point<T>;

// One instance: pins and rectangles in file order, each rectangle as its
// four corners in order around it, from a pin file and an obstacle file or
// from one STP file.
template <class T>
struct Input {
  std::string pinFile;
  std::string obstacleFile;  // the STP file again for an STP file
  bool stp = false;
  std::vector<InputPoint<T>> pins;
  std::vector<std::array<InputPoint<T>, 4>> rects;
  std::vector<int> pinLines;   // the line of each pin's record
  std::vector<int> rectLines;  // the line of each rectangle's first record

  // For messages: "pins.txt: record 3, line 3" or "a.stp, line 17 (DD 3)";
  // "obst.txt: rectangle 2 (records 5 to 8, line 9)" or
  // "a.stp, line 30 (RR 2)".
  std::string pinName(size_t k) const;
  std::string rectName(size_t r) const;
};

// "x y type" records: "pin" records up to an x of -1 or the end, and
// "corner" records four to a rectangle up to a group whose first x is -1.
template <class T>
bool parsePinText(std::string_view text,
                  const std::string& name,
                  Input<T>& in,
                  std::string& error);
template <class T>
bool parseObstacleText(std::string_view text,
                       const std::string& name,
                       Input<T>& in,
                       std::string& error);

// Whether the text is an STP file: its first line starts with the format's
// magic number 33D32945.
bool isStpText(std::string_view text);

// An STP file: the pins from the Coordinates section ("DD i x y", i from 1
// in order), the rectangles from the Obstacles section ("RR xlo ylo xhi
// yhi"), corners counter-clockwise from the lower left. The counts of the
// Graph section, where given, must match.
template <class T>
bool parseStpText(std::string_view text,
                  const std::string& name,
                  Input<T>& in,
                  std::string& error);

// A nets file: pin records as in a pin file, each net ended by its end
// record (x = -1) or by the end of the text, so that a pin file is a nets
// file of one net. Appends each pin to pins and, after each net, the count
// of pins so far to netEnds (two end records in a row make an empty net).
// Records are counted over the whole file in messages.
template <class T>
bool parseNetsText(std::string_view text,
                   const std::string& name,
                   std::vector<InputPoint<T>>& pins,
                   std::vector<size_t>& netEnds,
                   std::string& error);

// The instance that a command line names: a pin file and an obstacle file,
// or one STP file. "-" reads standard input. notStp, where given, is set
// when one file was named and it is no STP file.
template <class T>
bool readInput(const std::vector<std::string>& files,
               Input<T>& in,
               std::string& error,
               bool* notStp = nullptr);

// Whether a coordinate of the instance is one no float holds.
bool hasWideCoordinate(const Input<DesignCoord>& in);

// The vertices of an instance: the pins, then the corners four by four, each
// rectangle's corners linked into a ring in file order. The caller owns
// them.
void appendVertices(const Input<float>& in, std::vector<Vertex*>& out);

// The same readers appending vertices.
bool readPinFile(const std::string& path,
                 std::vector<Vertex*>& out,
                 std::string& error);
bool readObstacleFile(const std::string& path,
                      std::vector<Vertex*>& out,
                      std::string& error);
bool parsePins(std::string_view text,
               const std::string& name,
               std::vector<Vertex*>& out,
               std::string& error);
bool parseObstacles(std::string_view text,
                    const std::string& name,
                    std::vector<Vertex*>& out,
                    std::string& error);

// Reads a whole file, "-" standard input; false with a message when it
// cannot be opened or read.
bool readWholeFile(const std::string& path,
                   std::string& text,
                   std::string& error);

// The line that starts at pos, without its end (LF, CRLF or a lone CR);
// pos moves to the next line.
std::string_view nextLine(std::string_view text, size_t& pos);

// The text without a leading UTF-8 byte-order mark.
std::string_view skipByteOrderMark(std::string_view text);

// False when the text holds a NUL byte, with a message naming the line and
// the bytes around it.
bool checkNoNul(std::string_view text,
                const std::string& name,
                std::string& error);
