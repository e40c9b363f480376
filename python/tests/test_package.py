"""The package around the module: its version, its type stubs and the
docstrings help() shows."""
import ast
import pathlib
import pickle
import re

import numpy as np
import pytest

import treecore
from conftest import ROOT, run

STUB = pathlib.Path(treecore.__file__).with_name("__init__.pyi")


def stub_tree():
    return ast.parse(STUB.read_text())


def stub_defs(body):
    """Names to their nodes among a stub body's functions, classes,
    properties and annotated names."""
    found = {}
    for node in body:
        if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
            found[node.name] = node
        elif isinstance(node, ast.AnnAssign):
            found[node.target.id] = node
    return found


def public(names):
    return {n for n in names if not n.startswith("_")}


def test_version_is_the_projects():
    cmake = (ROOT / "CMakeLists.txt").read_text()
    declared = re.search(r"project\(treecore VERSION ([0-9.]+)", cmake)[1]
    assert treecore.__version__ == declared
    done = run("zorvane", "--version")
    assert done.stdout == f"zorvane (treecore) {declared}\n"


def test_names_and_pickles_are_the_packages():
    assert treecore.Tree.__module__ == "treecore"
    assert treecore.steiner_tree.__module__ == "treecore"
    tree = treecore.steiner_tree([[0, 0], [3, 4]])
    for thing in (tree, treecore.Obstacles([[1, 1, 2, 2]])):
        assert b"_treecore" not in pickle.dumps(thing)


def test_stubs_name_exactly_the_public_names():
    top = stub_defs(stub_tree().body)
    assert public(top) == set(treecore.__all__)
    assert "__version__" in top
    for name in ("Obstacles", "Tree"):
        members = stub_defs(top[name].body)
        runtime = public(dir(getattr(treecore, name)))
        assert public(members) == runtime, name


def stub_signature(node):
    """Positional and keyword-only parameter names, and the defaults by
    name, of a stub's function; self left out."""
    a = node.args
    positional = [p.arg for p in a.args if p.arg != "self"]
    defaults = dict(zip([p.arg for p in a.args][len(a.args) - len(a.defaults):],
                        [ast.literal_eval(d) for d in a.defaults]))
    for p, d in zip(a.kwonlyargs, a.kw_defaults):
        if d is not None:
            defaults[p.arg] = ast.literal_eval(d)
    return positional, [p.arg for p in a.kwonlyargs], defaults


def doc_signature(doc, name):
    """The signature a docstring opens with, parsed as a def."""
    first = doc.split("\n\n", 1)[0]
    assert first.startswith(name + "("), first
    return stub_signature(ast.parse(f"def {first}: ...").body[0])


def bound_signature(call):
    """The signature the binding itself declares, from the message of a
    call it cannot match."""
    with pytest.raises(TypeError) as e:
        call()
    # A constructor's line is 'Class(...)', a function's '(...) -> type'.
    found = re.search(r"^ *1\. [\w.]*\((.*)\)( -> |$)", str(e.value), re.M)
    assert found, str(e.value)
    # The binding writes 'name: type = default'; only names and defaults
    # are compared.
    params = re.sub(r": [^,=]+( =|,|$)", r"\1", found[1])
    params = re.sub(r"= (True|False|None|'[^']*'|-?\d+)", r"=\1", params)
    return stub_signature(ast.parse(f"def f({params}): ...").body[0])


def callables():
    """(name, object, stub node, a call that cannot match it) for every
    public function and method."""
    top = stub_defs(stub_tree().body)
    bogus = {"no_such_argument": 1}
    for name in treecore.__all__:
        value = getattr(treecore, name)
        if callable(value) and not isinstance(value, type):
            yield name, value, top.get(name), lambda v=value: v(**bogus)
    for cls in (treecore.Obstacles, treecore.Tree):
        members = stub_defs(top[cls.__name__].body)
        for name, node in members.items():
            value = getattr(cls, name)
            if not isinstance(node, ast.FunctionDef) or isinstance(
                    value, property):
                continue
            if name == "__init__":
                call = (lambda c=cls: c.__init__(c.__new__(c), **bogus))
            else:
                call = (lambda v=value: v(**bogus))
            yield f"{cls.__name__}.{name}", value, node, call


@pytest.mark.parametrize("name,value,node,call", list(callables()),
                         ids=lambda x: x if isinstance(x, str) else "")
def test_each_docstring_opens_with_the_bindings_signature(name, value, node,
                                                          call):
    assert node is not None, f"{name} has no stub"
    doc = value.__doc__
    ours = doc_signature(doc, name.split(".")[-1])
    assert ours == stub_signature(node)
    assert ours == bound_signature(call)
    positional, keywords, _ = ours
    params = positional + keywords
    if params:
        args = doc.split("Args:\n", 1)[1].split("\n\n")[0]
        listed = set(re.findall(r"^    (\w+(?:, \w+)*):", args, re.M))
        listed = {n for group in listed for n in group.split(", ")}
        assert listed == set(params), name
    returns = node.returns
    if not (isinstance(returns, ast.Constant) and returns.value is None):
        assert "Returns:\n" in doc or name.endswith(("__len__", "__repr__")), \
            name


def test_every_class_and_property_has_a_docstring():
    for name in treecore.__all__:
        value = getattr(treecore, name)
        if isinstance(value, type):
            assert value.__doc__ and value.__doc__.strip(), name
            for member in public(dir(value)):
                attr = getattr(value, member)
                if isinstance(attr, property):
                    assert attr.__doc__ and attr.__doc__.strip(), member
    assert "Arrays" in treecore.__doc__ and "Coordinates" in treecore.__doc__


# Arrays of every integer and float width, and of bools, route as the
# float64 array of the same values does.
@pytest.mark.parametrize("dtype", [np.int8, np.int16, np.int32, np.int64,
                                   np.uint8, np.uint16, np.uint32, np.uint64,
                                   np.float16, np.float32, np.longdouble,
                                   bool])
def test_every_real_dtype_routes_as_float64(dtype):
    if dtype is bool:
        pins, rects = np.array([[0, 0], [1, 1], [0, 1]]), np.empty((0, 4))
    else:
        pins = np.array([[0, 0], [100, 30], [40, 120], [7, 90]])
        rects = np.array([[20, 20, 60, 60]])
    expected = treecore.steiner_tree(pins.astype(np.float64),
                                     rects.astype(np.float64)).text()
    tree = treecore.steiner_tree(pins.astype(dtype), rects.astype(dtype))
    assert tree.text() == expected
    obstacles = treecore.Obstacles(rects.astype(dtype))
    assert treecore.spanning_tree(pins.astype(dtype), obstacles).text() == \
        treecore.spanning_tree(pins, rects).text()
