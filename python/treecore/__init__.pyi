# Types of the package's names; help(treecore) documents them.
from os import PathLike
from typing import Any, Iterable, List, Literal, Optional, Sequence, SupportsIndex, Tuple
from typing import TypedDict, Union

import numpy as np
import numpy.typing as npt

__version__: str

PIN: int
STEINER_POINT: int

# Pins, rectangles, corners and segments: arrays of real numbers of any
# integer, float or bool dtype, or what numpy makes one of.
_Points = npt.ArrayLike
_ObstaclesArg = Union["Obstacles", npt.ArrayLike, None]
_Path = Union[str, "PathLike[str]"]
_Errors = Literal["raise", "keep"]
_Status = Literal["ok", "forest", "pinInsideObstacle", "badCoordinate"]

class PinInsideObstacleError(ValueError): ...
class BadCoordinateError(ValueError): ...

class Obstacles:
    def __init__(self, rects: Optional[npt.ArrayLike] = None) -> None: ...
    @staticmethod
    def from_corners(corners: npt.ArrayLike) -> Obstacles: ...
    def __len__(self) -> int: ...
    @property
    def rects(self) -> npt.NDArray[np.float64]: ...
    @property
    def corners(self) -> npt.NDArray[np.float64]: ...
    def near(self, pins: _Points) -> npt.NDArray[np.int32]: ...

class Tree:
    @property
    def status(self) -> _Status: ...
    @property
    def message(self) -> str: ...
    @property
    def nodes(self) -> npt.NDArray[np.float64]: ...
    @property
    def kinds(self) -> npt.NDArray[np.uint8]: ...
    @property
    def parents(self) -> npt.NDArray[np.int64]: ...
    @property
    def parent_edges(self) -> npt.NDArray[np.int64]: ...
    @property
    def edges(self) -> npt.NDArray[np.int64]: ...
    @property
    def paths(self) -> Tuple[npt.NDArray[np.float64], ...]: ...
    @property
    def segments(self) -> npt.NDArray[np.float64]: ...
    @property
    def wire_length(self) -> float: ...
    @property
    def lower_bound(self) -> Optional[float]: ...
    @property
    def parts(self) -> int: ...
    def text(self) -> str: ...
    def json(self, net: int = 1) -> str: ...

class _Check(TypedDict):
    pieces: int
    diagonal_pieces: int
    total_length: float
    wire_length: float
    pins: int
    obstacles: int
    pins_off_tree: int
    parts_holding_pins: int
    obstacle_crossings: int
    crossing_length: float
    crossing_pieces: List[int]
    legal: bool

def steiner_tree(
    pins: _Points,
    obstacles: _ObstaclesArg = None,
    *,
    optimize: bool = False,
    exact_graph: bool = False,
    refine: bool = True,
    every_obstacle: bool = False,
    effort: Optional[SupportsIndex] = None,
    bound: bool = False,
) -> Tree: ...
def spanning_tree(
    pins: _Points,
    obstacles: _ObstaclesArg = None,
    *,
    exact_graph: bool = False,
    every_obstacle: bool = False,
) -> Tree: ...
def steiner_trees(
    nets: Iterable[_Points],
    obstacles: _ObstaclesArg = None,
    *,
    threads: Optional[SupportsIndex] = None,
    optimize: bool = False,
    exact_graph: bool = False,
    refine: bool = True,
    every_obstacle: bool = False,
    drawing_only: bool = False,
    errors: _Errors = "raise",
    effort: Optional[SupportsIndex] = None,
    bound: bool = False,
) -> List[Tree]: ...
def spanning_trees(
    nets: Iterable[_Points],
    obstacles: _ObstaclesArg = None,
    *,
    threads: Optional[SupportsIndex] = None,
    exact_graph: bool = False,
    every_obstacle: bool = False,
    drawing_only: bool = False,
    errors: _Errors = "raise",
) -> List[Tree]: ...
def check(
    pins: _Points, obstacles: _ObstaclesArg, segments: npt.ArrayLike
) -> _Check: ...
def banner(*, spanning: bool = False) -> str: ...
def plain_text(trees: Sequence[Tree], *, first: int = 1) -> str: ...
def write_output(path: _Path, chunks: Iterable[Union[str, bytes]]) -> None: ...
def read_pins(path: _Path) -> npt.NDArray[np.float64]: ...
def read_obstacles(path: _Path) -> Obstacles: ...
def read_nets(path: _Path) -> List[npt.NDArray[np.float64]]: ...
