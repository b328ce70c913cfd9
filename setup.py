"""Wheel build: CMake builds the extension from the whole source tree, setuptools
packs it with the package's Python files, stubs and the library's modules."""

import os
import pathlib
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = pathlib.Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        # VELLORA2_BUILD_DIR names a build folder configured already with
        # VELLORA2_PYTHON=ON (CI's Release build): the wheel reuses what it built.
        reuse = os.environ.get("VELLORA2_BUILD_DIR")
        build = pathlib.Path(reuse).resolve() if reuse else pathlib.Path(self.build_temp).resolve() / "cmake"
        if not reuse:
            self.configure(build)
        subprocess.check_call(["cmake", "--build", str(build), "--target", "vellora2_python", "-j2"])
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        built = next((build / "python" / "package" / "vellora2").glob("_vellora2*.so"))
        self.copy_file(str(built), str(target))
        self.copy_file(str(SOURCE / "python" / "vellora2.pyi"), str(target.parent / "__init__.pyi"))
        # The modules the library loads from the folder "vellora2" beside it.
        self.copy_tree(str(build / "python" / "package" / "vellora2" / "vellora2"), str(target.parent / "vellora2"))

    @staticmethod
    def configure(build):
        configure = [
            "cmake", "-S", str(SOURCE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
            "-DBUILD_TESTING=OFF", "-DVELLORA2_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}",
        ]
        for launcher in ("CMAKE_CXX_COMPILER_LAUNCHER", "CMAKE_C_COMPILER_LAUNCHER"):
            if os.environ.get(launcher):
                configure.append(f"-D{launcher}={os.environ[launcher]}")
        subprocess.check_call(configure)


setup(
    packages=["vellora2"],
    package_dir={"vellora2": "python/package"},
    package_data={"vellora2": ["py.typed"]},
    ext_modules=[Extension("vellora2._vellora2", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    # Not build/, which is the CMake build folder of tools/test.sh.
    options={"build": {"build_base": "build-wheel"}},
)
