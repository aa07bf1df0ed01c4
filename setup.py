"""The package zantrel built by CMake: configure, build the module's target, and let
`cmake --install --component python` lay the package out where setuptools collects it.

The version is the project's (CMakeLists.txt). ZANTREL_CMAKE_ARGS adds configure options;
CMAKE_BUILD_PARALLEL_LEVEL and CMAKE_CXX_COMPILER_LAUNCHER (e.g. ccache) are CMake's own.
"""

import os
import pathlib
import re
import shlex
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def project_version():
    match = re.search(r"project\(Zantrel VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text())
    if not match:
        raise RuntimeError("CMakeLists.txt names no project version")
    return match.group(1)


class CMakeBuild(build_ext):
    """Builds the one extension, the package's compiled part, with the project's CMake."""

    def build_extension(self, ext):
        # The package folder that setuptools puts into the wheel, as an absolute path.
        package = pathlib.Path(self.get_ext_fullpath(ext.name)).resolve().parent
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
            f"-DPython3_EXECUTABLE={sys.executable}",
            f"-DZANTREL_PYTHON_INSTALL_DIR={package.parent}",
            # The module alone: no tests, no desktop program, no Qt.
            "-DZANTREL_BUILD_TESTS=OFF", "-DZANTREL_BUILD_GUI=OFF", "-DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON",
            *shlex.split(os.environ.get("ZANTREL_CMAKE_ARGS", "")),
        ]
        subprocess.run(configure, check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(["cmake", "--build", str(build), "--target", "zantrel_python", "-j", jobs], check=True)
        subprocess.run(["cmake", "--install", str(build), "--component", "python"], check=True)


setup(
    version=project_version(),
    packages=["zantrel"],
    package_dir={"": "python"},
    package_data={"zantrel": ["__init__.pyi", "py.typed"]},
    ext_modules=[Extension("zantrel._zantrel", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
    # Not build/, which is the CMake build folder of a checkout.
    options={"build": {"build_base": "build-pip"}},
)
