"""Builds the Python module tavirel with CMake, for `pip install .`.

The extension, its Python layer and its stubs are built and laid out by the
project's own CMake rules (the `python` install component); this file only
runs them with the parts the module needs and hands setuptools the result.
Options through the environment:
  TAVIREL_CMAKE_ARGS   more arguments for the configure step
  TAVIREL_JOBS         parallel build jobs (default: the machine's cores)
"""

import os
import re
import shlex
import subprocess
import sys
from pathlib import Path
from shutil import which

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = Path(__file__).resolve().parent


def project_version() -> str:
    # The product's version is written once, in the top-level CMakeLists.txt.
    text = (SOURCE / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"project\(tavirel VERSION ([0-9.]+)", text)
    if not match:
        raise RuntimeError("no project(tavirel VERSION ...) in CMakeLists.txt")
    return match.group(1)


class CMakeExtension(Extension):
    def __init__(self) -> None:
        super().__init__("tavirel._core", sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext: Extension) -> None:
        build_dir = Path(self.build_temp).resolve() / "cmake"
        # The package directory holding the extension, where setuptools takes it from.
        target = Path(self.get_ext_fullpath(ext.name)).resolve().parent.parent
        configure = [
            "cmake", "-S", str(SOURCE), "-B", str(build_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            f"-DPython3_EXECUTABLE={sys.executable}",
            "-DTAVIREL_BUILD_PYTHON=ON",
            # What the module links: the driver, the simulated register, the documents.
            "-DTAVIREL_BUILD_SIM=ON", "-DTAVIREL_BUILD_DOCUMENTS=ON",
            "-DTAVIREL_BUILD_TESTS=OFF", "-DTAVIREL_BUILD_CLI=OFF", "-DTAVIREL_BUILD_QT=OFF",
            "-DTAVIREL_BUILD_SERVICE=OFF", "-DTAVIREL_BUILD_BENCH=OFF",
            "-DTAVIREL_BUILD_EXAMPLES=OFF", "-DTAVIREL_BUILD_DOCS=OFF",
            "-DTAVIREL_INSTALL=ON", "-DBUILD_SHARED_LIBS=OFF",
            "-DTAVIREL_PYTHON_INSTALL_DIR=.",
        ]
        # The generator is chosen once, by the first configure of the folder.
        if which("ninja") and not (build_dir / "CMakeCache.txt").exists():
            configure += ["-G", "Ninja"]
        configure += shlex.split(os.environ.get("TAVIREL_CMAKE_ARGS", ""))
        jobs = os.environ.get("TAVIREL_JOBS") or str(os.cpu_count() or 1)
        self.run_step(configure)
        # The extension and the package around it (the Python layer, the stubs).
        self.run_step(["cmake", "--build", str(build_dir), "--target", "tavirel_python_package", "-j", jobs])
        self.run_step(["cmake", "--install", str(build_dir), "--component", "python",
                       "--prefix", str(target), "--strip"])
        built = Path(self.get_ext_fullpath(ext.name))
        if not built.exists():
            raise RuntimeError(f"CMake did not lay out {built}")

    @staticmethod
    def run_step(command: list[str]) -> None:
        print(" ".join(shlex.quote(part) for part in command), flush=True)
        subprocess.run(command, check=True)


# Not build/: that is the project's own build folder (scripts/build).
BUILD_BASE = SOURCE / "build-pip"
BUILD_BASE.mkdir(exist_ok=True)

setup(
    version=project_version(),
    ext_modules=[CMakeExtension()],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": str(BUILD_BASE)}, "egg_info": {"egg_base": str(BUILD_BASE)}},
    zip_safe=False,
)
