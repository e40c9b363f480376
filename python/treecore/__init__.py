# The package's names are the compiled module's; they are shown and pickled
# as treecore's own, so that the module's name stays a detail.
from . import _treecore
from ._treecore import *  # noqa: F401,F403
from ._treecore import __version__  # noqa: F401

__doc__ = _treecore.__doc__
__all__ = [name for name in dir(_treecore) if not name.startswith("_")]

for _name in __all__:
    _value = getattr(_treecore, _name)
    if getattr(_value, "__module__", None) == _treecore.__name__:
        _value.__module__ = __name__
del _name, _value
