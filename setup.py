# The package's one compiled module is built by the project's CMake build
# (its target treecorePython), so that it is compiled as the programs are.
import glob
import os
import pathlib
import re
import shlex
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    found = re.search(r"project\(\s*treecore\s+VERSION\s+([0-9.]+)", text)
    if not found:
        sys.exit("setup.py: no project(treecore VERSION ...) in CMakeLists.txt")
    return found.group(1)


class CMakeBuild(build_ext):
    """Configures the project with the module on and the tests off, for the
    interpreter running this build, and builds the module's target alone.
    TREECORE_CMAKE_ARGS adds configure options; CMAKE_BUILD_PARALLEL_LEVEL
    sets the job count."""

    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build),
            "-DCMAKE_BUILD_TYPE=Release", "-DTREECORE_PYTHON=ON",
            "-DTREECORE_TESTS=OFF", "-DTREECORE_BENCH=OFF",
            f"-DPython_EXECUTABLE={sys.executable}",
        ]
        try:
            # pybind11 installed by pip rather than by the system.
            import pybind11
            configure.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
        except ImportError:
            pass
        configure += shlex.split(os.environ.get("TREECORE_CMAKE_ARGS", ""))
        compile = ["cmake", "--build", str(build), "--target", "treecorePython"]
        if self.parallel:
            compile += ["--parallel", str(self.parallel)]
        elif "CMAKE_BUILD_PARALLEL_LEVEL" not in os.environ:
            compile += ["--parallel", str(os.cpu_count() or 1)]
        for command in (configure, compile):
            print(" ".join(shlex.quote(c) for c in command), flush=True)
            subprocess.run(command, check=True)
        built = glob.glob(str(build / "python" / "treecore" / "_treecore.*"))
        if len(built) != 1:
            sys.exit(f"setup.py: the build made {built or 'no module'}")
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built[0], target)


# Beside, not inside, the CMake build folder build/.
BUILD_BASE = "build-python"
(ROOT / BUILD_BASE).mkdir(exist_ok=True)

setup(
    version=project_version(),
    packages=["treecore"],
    package_dir={"": "python"},
    package_data={"treecore": ["__init__.pyi", "py.typed"]},
    ext_modules=[Extension("treecore._treecore", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": BUILD_BASE},
             "egg_info": {"egg_base": BUILD_BASE}},
)
