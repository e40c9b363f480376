// The Python module treecore: nets and obstacles as numpy arrays, trees as
// objects with numpy arrays, many nets routed with the interpreter released.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "check/checkTree.h"
#include "drivers/batch.h"
#include "drivers/commandLine.h"
#include "drivers/readInput.h"
#include "router/fileBanner.h"
#include "support/formatCoord.h"
#include "support/outputFile.h"
#include "treecore/route.h"
#include "treecore/treeText.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

// Raised for the statuses that make no tree; both are ValueErrors. Owned by
// the module for the life of the process.
PyObject* pinInsideObstacleError = nullptr;
PyObject* badCoordinateError = nullptr;

std::string shapeText(const py::array& a) {
  std::string s = "(";
  for (py::ssize_t k = 0; k < a.ndim(); ++k) {
    s += (k ? ", " : "") + std::to_string(a.shape(k));
  }
  return s + (a.ndim() == 1 ? ",)" : ")");
}

// obj as an array of real numbers. The cast to double would take complex
// values (dropping their imaginary parts), strings of digits and masked
// arrays (dropping their masks) silently; they are refused instead.
py::array realArrayOf(py::handle obj, const std::string& what) {
  bool isArray = py::isinstance<py::array>(obj);
  // Only a subclass of ndarray can be masked, and only then is numpy.ma
  // worth importing.
  if (isArray &&
      Py_TYPE(obj.ptr()) != py::detail::npy_api::get().PyArray_Type_ &&
      py::isinstance(obj,
                     py::module_::import("numpy.ma").attr("MaskedArray"))) {
    throw py::type_error(what +
                         " must not be a masked array; fill or drop its "
                         "masked values first (numpy.ma.filled, compressed)");
  }
  py::array a =
      isArray ? py::reinterpret_borrow<py::array>(obj) : py::array::ensure(obj);
  if (!a) {
    throw py::type_error(what +
                         " must be an array of numbers, or convertible to one");
  }
  char kind = a.dtype().kind();
  bool real = kind == 'b' || kind == 'i' || kind == 'u' || kind == 'f';
  if (kind == 'O') {
    py::object number = py::module_::import("numbers").attr("Real");
    real = true;
    for (py::handle v : a.attr("flat")) {
      if (!py::isinstance(v, number)) {
        real = false;
        break;
      }
    }
  }
  if (!real) {
    throw py::type_error(what +
                         " must be an array of real numbers; got dtype " +
                         std::string(py::str(a.dtype())));
  }
  return a;
}

// obj as a C-ordered array of doubles. A float32 value means the decimal it
// prints as (0.1, not 0.1 widened); the cast made a copy, which may change.
Doubles doublesOf(py::handle obj, const std::string& what) {
  py::array given = realArrayOf(obj, what);
  Doubles a = Doubles::ensure(given);
  if (given.dtype().kind() == 'f' && given.dtype().itemsize() <= 4) {
    double* v = a.mutable_data();
    for (py::ssize_t i = 0; i < a.size(); ++i) {
      v[i] = canonicalDouble(static_cast<float>(v[i]));
    }
  }
  return a;
}

// obj as a C-ordered (n, columns) array of doubles; an empty sequence of
// any shape is n = 0.
Doubles tableOf(py::handle obj, py::ssize_t columns, const char* what) {
  Doubles a = doublesOf(obj, what);
  if (a.size() == 0) {
    return Doubles(std::vector<py::ssize_t>{0, columns});
  }
  if (a.ndim() != 2 || a.shape(1) != columns) {
    throw py::value_error(std::string(what) + " must be an (n, " +
                          std::to_string(columns) + ") array; got shape " +
                          shapeText(a));
  }
  return a;
}

treecore::Net netOf(py::handle obj, const std::string& what) {
  Doubles a = tableOf(obj, 2, what.c_str());
  auto v = a.unchecked<2>();
  treecore::Net net(static_cast<size_t>(v.shape(0)));
  for (py::ssize_t i = 0; i < v.shape(0); ++i) {
    net[i] = {v(i, 0), v(i, 1)};
  }
  return net;
}

treecore::Obstacles obstaclesFromRects(py::handle obj) {
  Doubles a = tableOf(obj, 4, "obstacles");
  auto v = a.unchecked<2>();
  std::vector<treecore::Rect> rects(static_cast<size_t>(v.shape(0)));
  for (py::ssize_t i = 0; i < v.shape(0); ++i) {
    rects[i] = {v(i, 0), v(i, 1), v(i, 2), v(i, 3)};
  }
  return treecore::Obstacles(rects);
}

treecore::Obstacles obstaclesFromCorners(py::handle obj) {
  Doubles a = doublesOf(obj, "corners");
  if (a.size() != 0 && (a.ndim() != 3 || a.shape(1) != 4 || a.shape(2) != 2)) {
    throw py::value_error(
        "corners must be an (m, 4, 2) array, each obstacle's four corners in "
        "order around it; got shape " +
        shapeText(a));
  }
  std::vector<std::array<treecore::Point, 4>> rings(
      a.size() == 0 ? 0 : static_cast<size_t>(a.shape(0)));
  const double* d = a.data();
  for (size_t i = 0; i < rings.size(); ++i) {
    for (int k = 0; k < 4; ++k) {
      rings[i][k] = {d[8 * i + 2 * k], d[8 * i + 2 * k + 1]};
    }
  }
  return treecore::Obstacles::fromCorners(rings);
}

// None, an Obstacles object, or an (m, 4) array of xlo, ylo, xhi, yhi.
treecore::Obstacles obstaclesOf(py::handle obj) {
  if (obj.is_none()) {
    return treecore::Obstacles();
  }
  if (py::isinstance<treecore::Obstacles>(obj)) {
    return obj.cast<treecore::Obstacles>();
  }
  return obstaclesFromRects(obj);
}

template <class T>
py::array_t<T> arrayOf(std::vector<py::ssize_t> shape, const T* data) {
  py::array_t<T> a(shape);
  if (a.size()) {
    std::memcpy(a.mutable_data(), data, sizeof(T) * a.size());
  }
  return a;
}

py::array frozen(py::array a) {
  a.attr("flags").attr("writeable") = false;
  return a;
}

// A routed tree; its arrays are made when first asked for, then kept and
// read-only.
struct PyTree {
  explicit PyTree(treecore::Tree t) : tree(std::move(t)) {}

  treecore::Tree tree;
  py::object nodes, kinds, parents, parentEdges, edges, paths, segments;
  py::object timing;

  py::object getTiming() {
    if (!timing) {
      const treecore::Timing& f = tree.timing;
      if (!f.computed) {
        timing = py::none();
        return timing;
      }
      auto array = [](const std::vector<double>& v) {
        return frozen(
            arrayOf<double>({static_cast<py::ssize_t>(v.size())}, v.data()));
      };
      py::dict d;
      d["max_stretch"] = f.maxStretch;
      d["mean_stretch"] = f.meanStretch;
      d["radius"] = f.radius;
      d["path_length"] = array(f.pathLength);
      d["shortest"] = array(f.shortest);
      d["stretch"] = array(f.stretch);
      d["elmore_delay"] = array(f.elmoreDelay);
      timing = d;
    }
    return timing;
  }

  py::object getNodes() {
    if (!nodes) {
      std::vector<double> xy;
      xy.reserve(2 * tree.nodes.size());
      for (const treecore::Node& n : tree.nodes) {
        xy.push_back(n.at.x);
        xy.push_back(n.at.y);
      }
      nodes = frozen(arrayOf<double>(
          {static_cast<py::ssize_t>(tree.nodes.size()), 2}, xy.data()));
    }
    return nodes;
  }

  template <class T, class F>
  py::object column(py::object& cache, F f) {
    if (!cache) {
      std::vector<T> v;
      v.reserve(tree.nodes.size());
      for (const treecore::Node& n : tree.nodes) {
        v.push_back(static_cast<T>(f(n)));
      }
      cache =
          frozen(arrayOf<T>({static_cast<py::ssize_t>(v.size())}, v.data()));
    }
    return cache;
  }

  py::object getEdges() {
    if (!edges) {
      std::vector<std::int64_t> v;
      v.reserve(2 * tree.edges.size());
      for (const treecore::Edge& e : tree.edges) {
        v.push_back(e.from);
        v.push_back(e.to);
      }
      edges = frozen(arrayOf<std::int64_t>(
          {static_cast<py::ssize_t>(tree.edges.size()), 2}, v.data()));
    }
    return edges;
  }

  py::object getPaths() {
    if (!paths) {
      py::list list;
      std::vector<double> xy;
      for (const treecore::Edge& e : tree.edges) {
        xy.clear();
        for (const treecore::Point& p : e.path) {
          xy.push_back(p.x);
          xy.push_back(p.y);
        }
        list.append(frozen(arrayOf<double>(
            {static_cast<py::ssize_t>(e.path.size()), 2}, xy.data())));
      }
      paths = py::tuple(list);
    }
    return paths;
  }

  py::object getSegments() {
    if (!segments) {
      static_assert(sizeof(treecore::Segment) == 4 * sizeof(double),
                    "a segment is four doubles");
      segments = frozen(arrayOf<double>(
          {static_cast<py::ssize_t>(tree.segments.size()), 4},
          reinterpret_cast<const double*>(tree.segments.data())));
    }
    return segments;
  }
};

// A tree as bytes, for pickling: sizes and values in native order, read
// back only by the same build.
class Packer {
 public:
  template <class T>
  void put(T v) {
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  void put(const treecore::Point& p) {
    put(p.x);
    put(p.y);
  }
  std::string out;
};

class Unpacker {
 public:
  explicit Unpacker(const std::string& in) : in_(in) {}
  template <class T>
  T get() {
    T v;
    if (in_.size() - at_ < sizeof v) {
      throw py::value_error("not a pickled treecore.Tree");
    }
    std::memcpy(&v, in_.data() + at_, sizeof v);
    at_ += sizeof v;
    return v;
  }
  treecore::Point point() {
    double x = get<double>();
    return {x, get<double>()};
  }
  // A count of items of at least `bytes` each that the rest can hold.
  size_t count(size_t bytes) {
    std::uint64_t n = get<std::uint64_t>();
    if (n > (in_.size() - at_) / bytes) {
      throw py::value_error("not a pickled treecore.Tree");
    }
    return static_cast<size_t>(n);
  }
  bool atEnd() const { return at_ == in_.size(); }

 private:
  const std::string& in_;
  size_t at_ = 0;
};

py::bytes packTree(const treecore::Tree& t) {
  Packer p;
  p.put(static_cast<std::int32_t>(t.status));
  p.put(static_cast<std::uint64_t>(t.message.size()));
  p.out += t.message;
  p.put(t.wireLength);
  p.put(static_cast<std::int32_t>(t.parts));
  p.put(static_cast<std::uint64_t>(t.nodes.size()));
  for (const treecore::Node& n : t.nodes) {
    p.put(n.at);
    p.put(static_cast<std::int32_t>(n.kind));
    p.put(static_cast<std::int32_t>(n.parent));
    p.put(static_cast<std::int32_t>(n.edge));
  }
  p.put(static_cast<std::uint64_t>(t.edges.size()));
  for (const treecore::Edge& e : t.edges) {
    p.put(static_cast<std::int32_t>(e.from));
    p.put(static_cast<std::int32_t>(e.to));
    p.put(static_cast<std::uint64_t>(e.path.size()));
    for (const treecore::Point& q : e.path) {
      p.put(q);
    }
  }
  p.put(static_cast<std::uint64_t>(t.segments.size()));
  for (const treecore::Segment& s : t.segments) {
    p.put(s.a);
    p.put(s.b);
  }
  // Last, so that a tree pickled without them still loads.
  p.put(t.lowerBound);
  if (t.timing.computed) {
    const treecore::Timing& f = t.timing;
    p.put(f.maxStretch);
    p.put(f.meanStretch);
    p.put(f.radius);
    for (const std::vector<double>* v :
         {&f.pathLength, &f.shortest, &f.stretch, &f.elmoreDelay}) {
      p.put(static_cast<std::uint64_t>(v->size()));
      for (double x : *v) {
        p.put(x);
      }
    }
  }
  return py::bytes(p.out);
}

treecore::Tree unpackTree(const std::string& bytes) {
  Unpacker u(bytes);
  treecore::Tree t;
  std::int32_t status = u.get<std::int32_t>();
  if (status < 0 ||
      status > static_cast<int>(treecore::Status::badCoordinate)) {
    throw py::value_error("not a pickled treecore.Tree");
  }
  t.status = static_cast<treecore::Status>(status);
  t.message.resize(u.count(1));
  for (char& c : t.message) {
    c = u.get<char>();
  }
  t.wireLength = u.get<double>();
  t.parts = u.get<std::int32_t>();
  t.nodes.resize(u.count(28));
  for (treecore::Node& n : t.nodes) {
    n.at = u.point();
    n.kind = u.get<std::int32_t>() == 0 ? treecore::NodeKind::pin
                                        : treecore::NodeKind::steinerPoint;
    n.parent = u.get<std::int32_t>();
    n.edge = u.get<std::int32_t>();
  }
  t.edges.resize(u.count(16));
  for (treecore::Edge& e : t.edges) {
    e.from = u.get<std::int32_t>();
    e.to = u.get<std::int32_t>();
    e.path.resize(u.count(16));
    for (treecore::Point& q : e.path) {
      q = u.point();
    }
  }
  t.segments.resize(u.count(32));
  for (treecore::Segment& s : t.segments) {
    s.a = u.point();
    s.b = u.point();
  }
  if (!u.atEnd()) {
    t.lowerBound = u.get<double>();
  }
  if (!u.atEnd()) {
    treecore::Timing& f = t.timing;
    f.computed = true;
    f.maxStretch = u.get<double>();
    f.meanStretch = u.get<double>();
    f.radius = u.get<double>();
    for (std::vector<double>* v :
         {&f.pathLength, &f.shortest, &f.stretch, &f.elmoreDelay}) {
      v->resize(u.count(8));
      for (double& x : *v) {
        x = u.get<double>();
      }
    }
    if (!u.atEnd()) {
      throw py::value_error("not a pickled treecore.Tree");
    }
  }
  return t;
}

treecore::RouteOptions steinerOptions(bool optimize,
                                      bool exactGraph,
                                      bool refine,
                                      bool everyObstacle,
                                      py::handle effort,
                                      bool bound) {
  if (optimize && !refine) {
    throw py::value_error(
        "optimize makes the refined tree; it does not go with refine=False");
  }
  int level = 1;
  if (!effort.is_none()) {
    if (py::isinstance<py::bool_>(effort) || !PyIndex_Check(effort.ptr())) {
      throw py::type_error("effort must be an integer from 1 to 20");
    }
    long long e = py::cast<long long>(
        py::reinterpret_steal<py::object>(PyNumber_Index(effort.ptr())));
    if (e < 1 || e > 20) {
      throw py::value_error("effort must be an integer from 1 to 20");
    }
    if (!optimize) {
      throw py::value_error("effort goes with optimize=True");
    }
    level = static_cast<int>(e);
  }
  if (bound && !optimize) {
    throw py::value_error("bound goes with optimize=True");
  }
  treecore::RouteOptions o;
  o.form = !refine    ? treecore::Form::unrefinedSteinerTree
           : optimize ? treecore::Form::optimizedSteinerTree
                      : treecore::Form::steinerTree;
  o.exactGraph = exactGraph;
  o.everyObstacle = everyObstacle;
  o.effort = level;
  o.bound = bound;
  return o;
}

treecore::RouteOptions spanningOptions(bool exactGraph, bool everyObstacle) {
  treecore::RouteOptions o;
  o.form = treecore::Form::spanningTree;
  o.exactGraph = exactGraph;
  o.everyObstacle = everyObstacle;
  return o;
}

// The timing figures asked for, on the options of a form.
treecore::RouteOptions withTiming(treecore::RouteOptions o,
                                  bool timing,
                                  double driverResistance,
                                  double pinCapacitance,
                                  py::handle pathBound) {
  if (!pathBound.is_none()) {
    double eps = pathBound.cast<double>();
    if (!(eps >= 0) || !std::isfinite(eps)) {
      throw py::value_error(
          "path_bound must be None or finite and not "
          "negative");
    }
    o.pathBound = eps;
  }
  if (!(driverResistance >= 0 && pinCapacitance >= 0) ||
      !std::isfinite(driverResistance) || !std::isfinite(pinCapacitance)) {
    throw py::value_error(
        "driver_resistance and pin_capacitance must be finite and not "
        "negative");
  }
  o.timing = timing;
  o.timingModel.driverResistance = driverResistance;
  o.timingModel.pinCapacitance = pinCapacitance;
  return o;
}

// Raises for a tree that was refused, its message prefixed by `where`.
void raiseRefused(const treecore::Tree& t, const std::string& where) {
  PyObject* type =
      t.status == treecore::Status::pinInsideObstacle ? pinInsideObstacleError
      : t.status == treecore::Status::badCoordinate   ? badCoordinateError
                                                      : nullptr;
  if (type) {
    PyErr_SetString(type, (where + t.message).c_str());
    throw py::error_already_set();
  }
}

py::object routeOne(py::handle pins,
                    py::handle obstacles,
                    const treecore::RouteOptions& options) {
  treecore::Net net = netOf(pins, "pins");
  treecore::Obstacles obs = obstaclesOf(obstacles);
  treecore::Tree t;
  {
    py::gil_scoped_release released;
    t = treecore::routeNet(obs, net, options);
  }
  raiseRefused(t, "");
  return py::cast(PyTree{std::move(t)});
}

// The thread count asked for: None or 0 is one per core. An integer of any
// kind is taken (numpy's too), but not a bool or a float.
int threadsOf(py::handle threads) {
  if (threads.is_none()) {
    return 0;
  }
  if (PyBool_Check(threads.ptr()) ||
      py::isinstance(threads, py::module_::import("numpy").attr("bool_")) ||
      !PyIndex_Check(threads.ptr())) {
    throw py::type_error(std::string("threads must be an int or None, not ") +
                         Py_TYPE(threads.ptr())->tp_name);
  }
  const long kMost = 4096;
  int overflow = 0;
  auto index = py::reinterpret_steal<py::object>(PyNumber_Index(threads.ptr()));
  if (!index) {
    throw py::error_already_set();
  }
  long n = PyLong_AsLongAndOverflow(index.ptr(), &overflow);
  if (overflow != 0 || n < 0 || n > kMost) {
    throw py::value_error("threads must be from 0 to " + std::to_string(kMost) +
                          " (0 or None: one per core); got " +
                          std::string(py::str(threads)));
  }
  return static_cast<int>(n);
}

// Thrown on the calling thread, holding no interpreter lock, when a signal
// handler raised; the Python exception is left set for the caller.
struct Interrupted {};

// Python runs its signal handlers (Ctrl-C's KeyboardInterrupt) only when
// the thread holding the interpreter asks; a batch runs without it, so its
// calling thread takes it now and then to ask.
treecore::RunControl interruptible() {
  treecore::RunControl c;
  c.poll = [] {
    py::gil_scoped_acquire held;
    if (PyErr_CheckSignals() != 0) {
      throw Interrupted{};
    }
  };
  return c;
}

py::list routeMany(py::handle nets,
                   py::handle obstacles,
                   treecore::RouteOptions options,
                   py::handle threads,
                   bool drawingOnly,
                   const std::string& errors) {
  if (errors != "raise" && errors != "keep") {
    throw py::value_error("errors must be 'raise' or 'keep', not '" + errors +
                          "'");
  }
  int count = threadsOf(threads);
  options.drawingOnly = drawingOnly;
  std::vector<treecore::Net> in;
  for (py::handle net : py::iter(nets)) {
    in.push_back(netOf(net, "nets[" + std::to_string(in.size()) + "]"));
    if (in.size() % 4096 == 0 && PyErr_CheckSignals() != 0) {
      throw py::error_already_set();
    }
  }
  treecore::Obstacles obs = obstaclesOf(obstacles);
  std::vector<treecore::Tree> trees;
  bool interrupted = false;
  {
    py::gil_scoped_release released;
    try {
      trees = treecore::routeNets(obs, in, options, count, interruptible());
    } catch (const Interrupted&) {
      interrupted = true;
    } catch (const std::system_error& e) {
      throw std::runtime_error("routing on " +
                               std::to_string(treecore::threadsFor(count)) +
                               " threads: " + e.what());
    }
  }
  if (interrupted) {
    throw py::error_already_set();
  }
  py::list out(trees.size());
  for (size_t i = 0; i < trees.size(); ++i) {
    if (errors == "raise") {
      raiseRefused(trees[i], "nets[" + std::to_string(i) + "]: ");
    }
    out[i] = py::cast(PyTree{std::move(trees[i])});
  }
  return out;
}

// The checker reads double precision, so that it tells apart what single
// precision would merge; only NaN and the infinities are refused.
double finiteOf(double v, const std::string& what) {
  if (!std::isfinite(v)) {
    PyErr_SetString(badCoordinateError,
                    (what + " is not a finite number").c_str());
    throw py::error_already_set();
  }
  return v;
}

py::dict checkOf(py::handle pinsObj,
                 py::handle obstaclesObj,
                 py::handle segmentsObj) {
  Doubles pinTable = tableOf(pinsObj, 2, "pins");
  Doubles segTable = tableOf(segmentsObj, 4, "segments");
  treecore::Obstacles obs = obstaclesOf(obstaclesObj);
  auto pv = pinTable.unchecked<2>();
  std::vector<::Point> pins;
  for (py::ssize_t i = 0; i < pv.shape(0); ++i) {
    std::string at = "pins[" + std::to_string(i) + "]";
    pins.push_back(
        {finiteOf(pv(i, 0), at + " x"), finiteOf(pv(i, 1), at + " y")});
  }
  auto sv = segTable.unchecked<2>();
  std::vector<Piece> pieces;
  const char* names[] = {" x1", " y1", " x2", " y2"};
  for (py::ssize_t i = 0; i < sv.shape(0); ++i) {
    std::string at = "segments[" + std::to_string(i) + "]";
    double c[4];
    for (int k = 0; k < 4; ++k) {
      c[k] = finiteOf(sv(i, k), at + names[k]);
    }
    pieces.push_back({c[0], c[1], c[2], c[3]});
  }
  TreeCheck c;
  {
    py::gil_scoped_release released;
    c = checkTree(pins, obs.rects(), pieces);
  }
  return py::dict(
      "pieces"_a = c.pieces, "diagonal_pieces"_a = c.diagonalPieces,
      "total_length"_a = c.totalLength, "wire_length"_a = c.wireLength,
      "pins"_a = c.pins, "obstacles"_a = c.obstacles,
      "pins_off_tree"_a = c.pinsOffTree, "parts_holding_pins"_a = c.pinParts,
      "obstacle_crossings"_a = c.crossings,
      "crossing_length"_a = c.crossingLength,
      "crossing_pieces"_a = c.crossingPieces, "legal"_a = c.legal());
}

// A str or path-like object as a file name.
std::string pathOf(py::handle obj) {
  return py::str(py::module_::import("os").attr("fspath")(obj));
}

std::string fileText(const std::string& path) {
  std::string text, error;
  if (!readWholeFile(path, text, error)) {
    PyErr_SetString(PyExc_OSError, error.c_str());
    throw py::error_already_set();
  }
  return text;
}

py::array pointsArray(const std::vector<InputPoint<DesignCoord>>& points,
                      size_t from,
                      size_t to) {
  std::vector<double> xy;
  xy.reserve(2 * (to - from));
  for (size_t k = from; k < to; ++k) {
    xy.push_back(points[k].x.v);
    xy.push_back(points[k].y.v);
  }
  return arrayOf<double>({static_cast<py::ssize_t>(to - from), 2}, xy.data());
}

py::array readPins(py::handle file) {
  std::string path = pathOf(file);
  std::string text = fileText(path);
  Input<DesignCoord> in;
  std::string error;
  if (!parsePinText(text, path, in, error)) {
    throw py::value_error(error);
  }
  return pointsArray(in.pins, 0, in.pins.size());
}

treecore::Obstacles readObstacles(py::handle file) {
  std::string path = pathOf(file);
  std::string text = fileText(path);
  treecore::Obstacles obstacles;
  std::string error;
  if (!parseBatchObstacles(text, path, obstacles, error)) {
    throw py::value_error(error);
  }
  return obstacles;
}

py::list readNets(py::handle file) {
  std::string path = pathOf(file);
  std::string text = fileText(path);
  std::vector<InputPoint<DesignCoord>> pins;
  std::vector<size_t> ends;
  std::string error;
  if (!parseNetsText(text, path, pins, ends, error)) {
    throw py::value_error(error);
  }
  py::list nets(ends.size());
  size_t from = 0;
  for (size_t i = 0; i < ends.size(); ++i) {
    nets[i] = pointsArray(pins, from, ends[i]);
    from = ends[i];
  }
  return nets;
}

// Pickles as protocol 2 does, whatever the protocol: below 2, pickle would
// build the object's base class from it, which a bound class cannot survive.
py::object reduceAsProtocol2(py::handle self, int) {
  return py::module_::import("builtins")
      .attr("object")
      .attr("__reduce_ex__")(self, 2);
}

py::array rectsArray(const treecore::Obstacles& o) {
  static_assert(sizeof(treecore::Rect) == 4 * sizeof(double),
                "a rectangle is four doubles");
  return arrayOf<double>({static_cast<py::ssize_t>(o.size()), 4},
                         reinterpret_cast<const double*>(o.rects().data()));
}

py::array cornersArray(const treecore::Obstacles& o) {
  static_assert(sizeof(std::array<treecore::Point, 4>) == 8 * sizeof(double),
                "a ring is eight doubles");
  return arrayOf<double>({static_cast<py::ssize_t>(o.size()), 4, 2},
                         reinterpret_cast<const double*>(o.corners().data()));
}

}  // namespace

PYBIND11_MODULE(_treecore, m) {
  // Each docstring opens with its own signature, in the names Python users
  // see: the generated one would name the compiled module and py::handle.
  py::options options;
  options.disable_function_signatures();
  m.doc() =
      "Obstacle-avoiding rectilinear Steiner and spanning trees.\n"
      "\n"
      "steiner_tree and spanning_tree route one net, steiner_trees and\n"
      "spanning_trees many on threads, among obstacles given as an array or "
      "as\n"
      "an Obstacles object built once for a design. A Tree holds the drawing\n"
      "(segments, as the programs write it) and the tree (nodes, edges, "
      "paths).\n"
      "check reports on any drawing as treecheck does; read_pins, "
      "read_obstacles\n"
      "and read_nets read the programs' input files.\n"
      "\n"
      "Arrays\n"
      "    Pins are (n, 2) arrays of x, y, the first pin the net's driver;\n"
      "    obstacles (m, 4) arrays of xlo, ylo, xhi, yhi; segments (s, 4) "
      "arrays\n"
      "    of x1, y1, x2, y2. Each may be a numpy array of any integer, "
      "unsigned,\n"
      "    float or bool dtype, an object array whose items are all real "
      "numbers\n"
      "    (numbers.Real), or anything numpy.asarray makes one of, such as a "
      "list\n"
      "    of pairs; the values are taken as float64. An empty array of any "
      "shape\n"
      "    has no rows. Complex numbers, strings (digits too) and masked "
      "arrays\n"
      "    raise TypeError, a wrong shape ValueError, each naming the "
      "argument.\n"
      "    Arrays given back are read-only numpy arrays: float64 coordinates,\n"
      "    int64 indexes.\n"
      "\n"
      "Coordinates\n"
      "    The routing computes in single precision, and each float has one\n"
      "    decimal that every writer prints (its exact value where nine\n"
      "    digits hold it, else the shortest that reads back: 0.1). A\n"
      "    coordinate is taken when it is that decimal: every integer up to\n"
      "    16777216 (2**24) in magnitude, 0.1, 99992016; 0.30000001 (0.3)\n"
      "    is refused, and a float32 array's values\n"
      "    are the decimals they print as. Other values, NaN and the\n"
      "    infinities raise BadCoordinateError for pins and ValueError for\n"
      "    obstacles. Trees give back those decimals as float64.\n"
      "    Integers up to 2**31 in magnitude, in integer or float arrays,\n"
      "    are taken too: a net with one that no float holds is routed\n"
      "    shifted to its grown box's lower-left corner and shifted back,\n"
      "    exactly, and refused (BadCoordinateError) where that box spans\n"
      "    more than 16777216.";

  pinInsideObstacleError = PyErr_NewExceptionWithDoc(
      "treecore.PinInsideObstacleError",
      "A pin lies strictly inside an obstacle: no obstacle-avoiding tree\n"
      "exists. A ValueError; the message names the pin and the obstacle.",
      PyExc_ValueError, nullptr);
  badCoordinateError = PyErr_NewExceptionWithDoc(
      "treecore.BadCoordinateError",
      "A coordinate is NaN, infinite, or a value single precision does not\n"
      "hold (see Coordinates in help(treecore)). A ValueError; the message\n"
      "names the pin and the coordinate.",
      PyExc_ValueError, nullptr);
  m.attr("PinInsideObstacleError") = py::handle(pinInsideObstacleError);
  m.attr("BadCoordinateError") = py::handle(badCoordinateError);
  m.attr("__version__") = treecoreVersion();
  m.attr("PIN") = 0;
  m.attr("STEINER_POINT") = 1;

  const std::string pinsArg =
      "    pins: (n, 2) array of x, y (see Arrays and Coordinates in\n"
      "        help(treecore)); the first pin drives the net.\n";
  const std::string obstaclesArg =
      "    obstacles: None (no obstacles), an Obstacles object, or an (m, 4)\n"
      "        array of xlo, ylo, xhi, yhi.\n";
  const std::string routeArgs =
      "    exact_graph: as --exact-graph: the escape graph, exact where the\n"
      "        default graph may miss a shortest path.\n"
      "    every_obstacle: route among every obstacle, as the single-net\n"
      "        programs do, rather than among those near the net (those\n"
      "        meeting its pins' box grown by every obstacle that meets it),\n"
      "        as --nets does; with obstacles from read_obstacles it gives\n"
      "        the single-net program's tree.\n";
  const std::string timingArgs =
      "    timing: as --timing: fill Tree.timing with how the tree serves its\n"
      "        first pin.\n"
      "    driver_resistance, pin_capacitance: the delay model's driver\n"
      "        resistance and the load at every pin but the first (wire of\n"
      "        unit resistance and capacitance per unit of length).\n"
      "    path_bound: None, or EPS as --path-bound: every pin's path along\n"
      "        the tree from the first pin at most 1 + EPS times its\n"
      "        shortest obstacle-avoiding distance from it.\n";
  const std::string effortArgs =
      "    effort: with optimize=True, as --effort: None or 1 to 20, the\n"
      "        level of work; each level spends a fixed multiple of the one\n"
      "        below and its tree is never longer.\n"
      "    bound: with optimize=True, as --bound: also prove a lower bound\n"
      "        on the shortest tree's length (Tree.lower_bound).\n";
  const std::string effortRaises =
      ",\n        effort out of range or without optimize=True, or bound=True\n"
      "        without optimize=True";
  const std::string netsArg =
      "    nets: an iterable of pin arrays, each as pins of the one-net "
      "call.\n";
  const std::string batchArgs =
      "    threads: None or 0 for one per core, else 1 to 4096 (an int or a\n"
      "        numpy integer; not a bool or a float).\n"
      "    drawing_only: leave nodes and edges empty and make segments only\n"
      "        (less work; plain_text needs no more).\n"
      "    errors: 'raise' to raise for the first net that makes no tree;\n"
      "        'keep' to return it as a Tree with that status and message.\n";
  const std::string routeRaises =
      "    PinInsideObstacleError: a pin lies strictly inside an obstacle\n"
      "        (a ValueError).\n"
      "    BadCoordinateError: a coordinate is NaN, infinite or not held by\n"
      "        single precision (a ValueError).\n"
      "    TypeError: an argument is not real numbers.\n"
      "    ValueError: an array of the wrong shape or a bad obstacle";
  const std::string batchRaises =
      "Raises:\n"
      "    PinInsideObstacleError, BadCoordinateError: with errors='raise',\n"
      "        for the first net that makes no tree; the message starts\n"
      "        with 'nets[K]: ', K counting from 0.\n"
      "    TypeError: a net that is not real numbers, or threads not an\n"
      "        integer.\n"
      "    KeyboardInterrupt: Ctrl-C; the calling thread looks for signals\n"
      "        every 50 ms, the threads finish the nets they hold and start\n"
      "        no other, and no trees are kept.\n"
      "    RuntimeError: threads that could not start (too little address\n"
      "        space), once the started ones have stopped.\n"
      "    ValueError: a net of the wrong shape, a bad obstacle, threads out\n"
      "        of range, errors neither 'raise' nor 'keep'";
  const std::string pathArg =
      "    path: a file name, str or path-like; '-' reads standard input.\n";
  const std::string readRaises =
      "    OSError: the file cannot be read.\n"
      "    ValueError: the file is bad; the message names the file, the\n"
      "        record and its line.\n";

  py::class_<treecore::Obstacles>(
      m, "Obstacles",
      "A design's obstacles: rectangles checked and indexed once, then shared\n"
      "by any number of nets and threads. Immutable; pickles and copies (with\n"
      "every protocol), coming back equal. len() is the number of obstacles.")
      .def(
          py::init([](py::handle rects) { return obstaclesOf(rects); }),
          "rects"_a = py::none(),
          "__init__(self, rects=None)\n\n"
          "Obstacles from rectangles.\n\n"
          "Args:\n"
          "    rects: None (no obstacles) or an (m, 4) array of xlo, ylo,\n"
          "        xhi, yhi (see Arrays in help(treecore)); each rectangle's\n"
          "        corners are taken counter-clockwise from the lower left.\n\n"
          "Raises:\n"
          "    ValueError: a rectangle without positive width and height,\n"
          "        or with a coordinate single precision does not hold\n"
          "        (named by its number, from 1), or a wrong shape.\n"
          "    TypeError: rects is not real numbers.")
      .def_static("from_corners", &obstaclesFromCorners, "corners"_a,
                  "from_corners(corners) -> Obstacles\n\n"
                  "Obstacles from their corners, as an obstacle file gives "
                  "them.\n\n"
                  "The corner order decides ties, so these obstacles give "
                  "the\nprograms' trees.\n\n"
                  "Args:\n"
                  "    corners: (m, 4, 2) array: each obstacle's four "
                  "corners, x, y,\n"
                  "        in order around it, either way round.\n\n"
                  "Returns:\n"
                  "    Obstacles\n\n"
                  "Raises:\n"
                  "    ValueError: corners that are not a rectangle's in "
                  "order, a\n"
                  "        coordinate single precision does not hold, or a "
                  "wrong shape.\n"
                  "    TypeError: corners is not real numbers.")
      .def("__len__", &treecore::Obstacles::size,
           "__len__(self) -> int\n\nThe number of obstacles.")
      .def_property_readonly("rects", &rectsArray,
                             "(m, 4) float64 array of xlo, ylo, xhi, yhi, "
                             "read-only.")
      .def_property_readonly("corners", &cornersArray,
                             "(m, 4, 2) float64 array of each obstacle's "
                             "corners in the\norder routing takes them, "
                             "read-only.")
      .def(
          "near",
          [](const treecore::Obstacles& o, py::handle pins) {
            treecore::Net net = netOf(pins, "pins");
            std::vector<int> near = o.near(net);
            return arrayOf<int>({static_cast<py::ssize_t>(near.size())},
                                near.data());
          },
          "pins"_a,
          ("near(self, pins) -> numpy.ndarray\n\n"
           "The obstacles that matter to a net.\n\n"
           "Those meeting the pins' bounding box grown by every obstacle "
           "that\nmeets it, until none does: no shortest obstacle-avoiding "
           "path\nbetween the pins leaves that box.\n\n"
           "Args:\n" +
           pinsArg +
           "\nReturns:\n"
           "    (k,) int32 array of obstacle indexes, from 0, "
           "ascending.\n\n"
           "Raises:\n"
           "    BadCoordinateError, TypeError, ValueError: as for "
           "steiner_tree.")
              .c_str())
      .def(
          "__repr__",
          [](const treecore::Obstacles& o) {
            return "<treecore.Obstacles: " + std::to_string(o.size()) +
                   " obstacles>";
          },
          "__repr__(self) -> str\n\n'<treecore.Obstacles: M obstacles>'.")
      .def(py::pickle(
          [](const treecore::Obstacles& o) {
            return py::make_tuple(cornersArray(o));
          },
          [](const py::tuple& state) {
            return obstaclesFromCorners(state[0]);
          }))
      .def("__reduce_ex__", &reduceAsProtocol2, "protocol"_a,
           "__reduce_ex__(self, protocol) -> tuple\n\n"
           "Pickles as protocol 2 does, whatever the protocol.");

  py::class_<PyTree>(
      m, "Tree",
      "One net's tree, as the routing calls return it.\n"
      "\n"
      "Nodes are the pins in input order, then the Steiner points; each node\n"
      "but the roots has a parent (the next node on the way to the first pin;\n"
      "in a part without it, to the part's first node) and an edge to it. The\n"
      "arrays are made when first asked for, then kept; all are read-only.\n"
      "Trees pickle and copy with every protocol, coming back equal; the\n"
      "pickled bytes are for the same build of the module.")
      .def_property_readonly(
          "status",
          [](const PyTree& t) { return treecore::statusName(t.tree.status); },
          "str: 'ok', or 'forest' when obstacles wall the pins apart (one\n"
          "tree per part); with errors='keep', also 'pinInsideObstacle' or\n"
          "'badCoordinate' (no tree).")
      .def_property_readonly(
          "message", [](const PyTree& t) { return t.tree.message; },
          "str: what went wrong; empty when status is 'ok'.")
      .def_property_readonly("nodes", &PyTree::getNodes,
                             "(k, 2) float64 array of the nodes' x, y.")
      .def_property_readonly(
          "kinds",
          [](PyTree& t) {
            return t.column<std::uint8_t>(t.kinds, [](const treecore::Node& n) {
              return n.kind == treecore::NodeKind::pin ? 0 : 1;
            });
          },
          "(k,) uint8 array: each node's kind, PIN or STEINER_POINT.")
      .def_property_readonly(
          "parents",
          [](PyTree& t) {
            return t.column<std::int64_t>(
                t.parents, [](const treecore::Node& n) { return n.parent; });
          },
          "(k,) int64 array: each node's parent, -1 at a root.")
      .def_property_readonly(
          "parent_edges",
          [](PyTree& t) {
            return t.column<std::int64_t>(
                t.parentEdges, [](const treecore::Node& n) { return n.edge; });
          },
          "(k,) int64 array: the index of each node's edge to its parent,\n"
          "-1 at a root.")
      .def_property_readonly("edges", &PyTree::getEdges,
                             "(e, 2) int64 array of parent, child: one edge "
                             "per node but\nthe roots, ordered by child.")
      .def_property_readonly("paths", &PyTree::getPaths,
                             "tuple of (p, 2) float64 arrays: per edge, its "
                             "drawn path\nfrom parent to child, "
                             "axis-parallel, every inner point a bend.")
      .def_property_readonly(
          "timing", &PyTree::getTiming,
          "None, or with timing=True a dict: max_stretch, mean_stretch and\n"
          "radius (floats), and per pin in input order the read-only float64\n"
          "arrays path_length (along the tree from the first pin), shortest\n"
          "(the shortest obstacle-avoiding distance from it), stretch (their\n"
          "ratio, 1 where both are 0) and elmore_delay; NaN for a pin the\n"
          "tree does not join to the first.")
      .def_property_readonly("segments", &PyTree::getSegments,
                             "(s, 4) float64 array of x1, y1, x2, y2: the "
                             "drawn pieces,\nas the programs write them.")
      .def_property_readonly(
          "wire_length", [](const PyTree& t) { return t.tree.wireLength; },
          "float: the length of the drawn wire, wire drawn twice counted "
          "once.")
      .def_property_readonly(
          "lower_bound",
          [](const PyTree& t) -> py::object {
            if (t.tree.lowerBound < 0) {
              return py::none();
            }
            return py::float_(t.tree.lowerBound);
          },
          "float or None: with bound=True, a length no tree over the pins "
          "that\navoids the obstacles undercuts; None otherwise.")
      .def_property_readonly(
          "parts", [](const PyTree& t) { return t.tree.parts; },
          "int: the parts that hold pins: 1 for a tree, 0 without pins or "
          "tree.")
      .def(
          "text",
          [](const PyTree& t) {
            std::string s;
            treecore::appendBlocks(s, t.tree);
            return s;
          },
          "text(self) -> str\n\n"
          "The drawing as the programs write it, without the banner.\n\n"
          "Returns:\n"
          "    str: one block of two lines x, y and a blank line per "
          "segment.")
      .def(
          "json",
          [](const PyTree& t, long net) {
            std::string s;
            treecore::appendJson(s, t.tree, net);
            return s;
          },
          "net"_a = 1,
          "json(self, net=1) -> str\n\n"
          "The tree as the programs' --format json writes it.\n\n"
          "Args:\n"
          "    net: the number the object's net field gives.\n\n"
          "Returns:\n"
          "    str: one JSON object, without a line end.")
      .def(
          "__repr__",
          [](const PyTree& t) {
            return "<treecore.Tree " +
                   std::string(treecore::statusName(t.tree.status)) + ": " +
                   std::to_string(t.tree.nodes.size()) + " nodes, " +
                   std::to_string(t.tree.segments.size()) +
                   " segments, wire length " + formatLength(t.tree.wireLength) +
                   ", " + std::to_string(t.tree.parts) + " parts>";
          },
          "__repr__(self) -> str\n\n"
          "'<treecore.Tree STATUS: K nodes, S segments, wire length L, P "
          "parts>'.")
      .def(py::pickle([](const PyTree& t) { return packTree(t.tree); },
                      [](const py::bytes& b) {
                        return PyTree{unpackTree(std::string(b))};
                      }))
      .def("__reduce_ex__", &reduceAsProtocol2, "protocol"_a,
           "__reduce_ex__(self, protocol) -> tuple\n\n"
           "Pickles as protocol 2 does, whatever the protocol.");

  m.def(
      "steiner_tree",
      [](py::handle pins, py::handle obstacles, bool optimize, bool exactGraph,
         bool refine, bool everyObstacle, py::handle effort, bool bound,
         bool timing, double rd, double cp, py::handle pb) {
        return routeOne(pins, obstacles,
                        withTiming(steinerOptions(optimize, exactGraph, refine,
                                                  everyObstacle, effort, bound),
                                   timing, rd, cp, pb));
      },
      "pins"_a, "obstacles"_a = py::none(), py::kw_only(), "optimize"_a = false,
      "exact_graph"_a = false, "refine"_a = true, "every_obstacle"_a = false,
      "effort"_a = py::none(), "bound"_a = false, "timing"_a = false,
      "driver_resistance"_a = 0.0, "pin_capacitance"_a = 0.0,
      "path_bound"_a = py::none(),
      ("steiner_tree(pins, obstacles=None, *, optimize=False, "
       "exact_graph=False,\n             refine=True, every_obstacle=False, "
       "effort=None,\n             bound=False, timing=False, "
       "driver_resistance=0.0,\n             pin_capacitance=0.0, "
       "path_bound=None) -> Tree\n\n"
       "The obstacle-avoiding rectilinear Steiner tree of one net, as "
       "zorvane\nmakes it.\n\n"
       "Args:\n" +
       pinsArg + obstaclesArg +
       "    optimize: as --optimize: the tree improved further (refined "
       "only).\n"
       "    refine: False as --no-refine: the tree before refinement.\n" +
       routeArgs + effortArgs + timingArgs +
       "\nReturns:\n"
       "    Tree: status 'ok', or 'forest' when obstacles wall the pins "
       "apart.\n\n"
       "Raises:\n" +
       routeRaises + ",\n        or optimize=True with refine=False" +
       effortRaises + ".\n")
          .c_str());
  m.def(
      "spanning_tree",
      [](py::handle pins, py::handle obstacles, bool exactGraph,
         bool everyObstacle, bool timing, double rd, double cp, py::handle pb) {
        return routeOne(pins, obstacles,
                        withTiming(spanningOptions(exactGraph, everyObstacle),
                                   timing, rd, cp, pb));
      },
      "pins"_a, "obstacles"_a = py::none(), py::kw_only(),
      "exact_graph"_a = false, "every_obstacle"_a = false, "timing"_a = false,
      "driver_resistance"_a = 0.0, "pin_capacitance"_a = 0.0,
      "path_bound"_a = py::none(),
      ("spanning_tree(pins, obstacles=None, *, exact_graph=False,\n"
       "              every_obstacle=False, timing=False,\n"
       "              driver_resistance=0.0, pin_capacitance=0.0,\n            "
       " path_bound=None) -> Tree\n\n"
       "The obstacle-avoiding rectilinear minimal spanning tree of one "
       "net,\nas oamst makes it.\n\n"
       "Args:\n" +
       pinsArg + obstaclesArg + routeArgs + timingArgs +
       "\nReturns:\n"
       "    Tree: status 'ok', or 'forest' when obstacles wall the pins "
       "apart.\n\n"
       "Raises:\n" +
       routeRaises + ".\n")
          .c_str());
  m.def(
      "steiner_trees",
      [](py::handle nets, py::handle obstacles, py::handle threads,
         bool optimize, bool exactGraph, bool refine, bool everyObstacle,
         bool drawingOnly, const std::string& errors, py::handle effort,
         bool bound, bool timing, double rd, double cp, py::handle pb) {
        return routeMany(
            nets, obstacles,
            withTiming(steinerOptions(optimize, exactGraph, refine,
                                      everyObstacle, effort, bound),
                       timing, rd, cp, pb),
            threads, drawingOnly, errors);
      },
      "nets"_a, "obstacles"_a = py::none(), py::kw_only(),
      "threads"_a = py::none(), "optimize"_a = false, "exact_graph"_a = false,
      "refine"_a = true, "every_obstacle"_a = false, "drawing_only"_a = false,
      "errors"_a = "raise", "effort"_a = py::none(), "bound"_a = false,
      "timing"_a = false, "driver_resistance"_a = 0.0,
      "pin_capacitance"_a = 0.0, "path_bound"_a = py::none(),
      ("steiner_trees(nets, obstacles=None, *, threads=None, "
       "optimize=False,\n              exact_graph=False, refine=True, "
       "every_obstacle=False,\n              drawing_only=False, "
       "errors='raise', effort=None,\n              bound=False, "
       "timing=False, driver_resistance=0.0,\n              "
       "pin_capacitance=0.0, path_bound=None) -> list\n\n"
       "steiner_tree of each net, on threads with the interpreter "
       "released.\n\n"
       "Each tree is the one steiner_tree gives its net, whatever the "
       "thread\ncount. Ctrl-C stops the batch between nets.\n\n"
       "Args:\n" +
       netsArg + obstaclesArg + batchArgs +
       "    optimize, refine, exact_graph, every_obstacle, effort, bound: as "
       "for\n        steiner_tree.\n"
       "    timing, driver_resistance, pin_capacitance, path_bound: as for "
       "steiner_tree.\n"
       "\nReturns:\n"
       "    list of Tree, one per net in the nets' order.\n\n" +
       batchRaises + ",\n        or optimize=True with refine=False" +
       effortRaises + ".\n")
          .c_str());
  m.def(
      "spanning_trees",
      [](py::handle nets, py::handle obstacles, py::handle threads,
         bool exactGraph, bool everyObstacle, bool drawingOnly,
         const std::string& errors, bool timing, double rd, double cp,
         py::handle pb) {
        return routeMany(nets, obstacles,
                         withTiming(spanningOptions(exactGraph, everyObstacle),
                                    timing, rd, cp, pb),
                         threads, drawingOnly, errors);
      },
      "nets"_a, "obstacles"_a = py::none(), py::kw_only(),
      "threads"_a = py::none(), "exact_graph"_a = false,
      "every_obstacle"_a = false, "drawing_only"_a = false,
      "errors"_a = "raise", "timing"_a = false, "driver_resistance"_a = 0.0,
      "pin_capacitance"_a = 0.0, "path_bound"_a = py::none(),
      ("spanning_trees(nets, obstacles=None, *, threads=None, "
       "exact_graph=False,\n               every_obstacle=False, "
       "drawing_only=False,\n               errors='raise', timing=False, "
       "driver_resistance=0.0,\n               pin_capacitance=0.0,\n          "
       "   path_bound=None) -> "
       "list\n\n"
       "spanning_tree of each net, on threads with the interpreter "
       "released.\n\n"
       "Each tree is the one spanning_tree gives its net, whatever the "
       "thread\ncount. Ctrl-C stops the batch between nets.\n\n"
       "Args:\n" +
       netsArg + obstaclesArg + batchArgs +
       "    exact_graph, every_obstacle: as for spanning_tree.\n"
       "    timing, driver_resistance, pin_capacitance, path_bound: as for "
       "spanning_tree.\n"
       "\nReturns:\n"
       "    list of Tree, one per net in the nets' order.\n\n" +
       batchRaises + ".\n")
          .c_str());
  m.def("check", &checkOf, "pins"_a, "obstacles"_a, "segments"_a,
        ("check(pins, obstacles, segments) -> dict\n\n"
         "treecheck's report on a drawing.\n\n"
         "Pins and segments are taken in double precision, as treecheck "
         "reads\nthem, so that it tells apart what single precision would "
         "merge.\n\n"
         "Args:\n"
         "    pins: (n, 2) array of x, y.\n" +
         obstaclesArg +
         "    segments: (s, 4) array of x1, y1, x2, y2, as Tree.segments "
         "gives\n"
         "        them.\n\n"
         "Returns:\n"
         "    dict: pieces, diagonal_pieces, pins, obstacles, pins_off_tree,\n"
         "    parts_holding_pins (parts of pieces and pins that hold a pin),\n"
         "    obstacle_crossings (ints); total_length, wire_length "
         "(collinear\n"
         "    overlaps counted once), crossing_length (floats); "
         "crossing_pieces\n"
         "    (list of the crossing pieces' indexes, ascending); legal "
         "(bool):\n"
         "    True when every pin is on the drawing, it is at most one part\n"
         "    and no piece is diagonal or crosses an obstacle's interior.\n\n"
         "Raises:\n"
         "    BadCoordinateError: NaN or an infinity among pins or "
         "segments.\n"
         "    TypeError, ValueError: as for steiner_tree.")
            .c_str());
  m.def(
      "banner",
      [](bool spanning) {
        return fileBanner(spanning ? kMstTitle : kSmtTitle);
      },
      py::kw_only(), "spanning"_a = false,
      "banner(*, spanning=False) -> str\n\n"
      "The three banner lines atop a tree file.\n\n"
      "Args:\n"
      "    spanning: False for zorvane's banner, True for oamst's.\n\n"
      "Returns:\n"
      "    str: three lines, each with its line end.");
  m.def(
      "plain_text",
      [](const std::vector<const PyTree*>& trees, long first) {
        std::string s;
        for (size_t i = 0; i < trees.size(); ++i) {
          treecore::appendNetText(s, trees[i]->tree,
                                  first + static_cast<long>(i));
        }
        return s;
      },
      "trees"_a, py::kw_only(), "first"_a = 1,
      "plain_text(trees, *, first=1) -> str\n\n"
      "The trees as the programs' --nets plain format writes them.\n\n"
      "banner() followed by plain_text of all nets is the file zorvane\n"
      "--nets writes.\n\n"
      "Args:\n"
      "    trees: a sequence of Tree.\n"
      "    first: the number of the first tree's net; the others follow.\n\n"
      "Returns:\n"
      "    str: per tree a line '# net K', a line '# status NAME: MESSAGE'\n"
      "    when it is not one tree, and its blocks; no banner.");
  m.def(
      "write_output",
      [](py::handle file, py::iterable chunks) {
        // Whatever Python printed comes before what goes to its streams.
        for (const char* stream : {"stdout", "stderr"}) {
          py::object s = py::module_::import("sys").attr(stream);
          if (!s.is_none()) {
            s.attr("flush")();
          }
        }
        OutputFile out(pathOf(file));
        if (out.opened()) {
          for (py::handle chunk : chunks) {
            out.write(chunk.cast<std::string>());
          }
          out.commit();
        }
        if (!out.error().empty()) {
          PyErr_SetString(PyExc_OSError, out.error().c_str());
          throw py::error_already_set();
        }
      },
      "path"_a, "chunks"_a,
      "write_output(path, chunks) -> None\n\n"
      "Writes chunks to a file as the programs write their output.\n\n"
      "The path is opened before the first chunk is taken; a regular file\n"
      "is replaced only once complete (an exception from the chunks leaves\n"
      "it as it was); a symbolic link is followed; '-' and paths naming an\n"
      "open descriptor are written through it.\n\n"
      "Args:\n"
      "    path: a file name, str or path-like, or '-' for standard "
      "output.\n"
      "    chunks: an iterable of str or bytes.\n\n"
      "Returns:\n"
      "    None\n\n"
      "Raises:\n"
      "    OSError: the file cannot be written, with the programs' "
      "message.");
  m.def("read_pins", &readPins, "path"_a,
        ("read_pins(path) -> numpy.ndarray\n\n"
         "A pin file as the programs read it.\n\n"
         "Args:\n" +
         pathArg +
         "\nReturns:\n"
         "    (n, 2) float64 array of x, y.\n\n"
         "Raises:\n" +
         readRaises)
            .c_str());
  m.def("read_obstacles", &readObstacles, "path"_a,
        ("read_obstacles(path) -> Obstacles\n\n"
         "An obstacle file as the programs read it, corner order kept.\n\n"
         "Args:\n" +
         pathArg +
         "\nReturns:\n"
         "    Obstacles: with every_obstacle=True, they give the single-net\n"
         "    programs' trees.\n\n"
         "Raises:\n" +
         readRaises)
            .c_str());
  m.def("read_nets", &readNets, "path"_a,
        ("read_nets(path) -> list\n\n"
         "A nets file as the programs' --nets reads it.\n\n"
         "Args:\n" +
         pathArg +
         "\nReturns:\n"
         "    list of (n, 2) float64 arrays, one per net in file order.\n\n"
         "Raises:\n" +
         readRaises)
            .c_str());
}
