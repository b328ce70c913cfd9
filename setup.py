"""Wheel build: CMake builds the module from the whole source tree, setuptools packs it."""

import pathlib
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = pathlib.Path(__file__).resolve().parent.parent


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        subprocess.check_call([
            "cmake", "-S", str(SOURCE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
            "-DBUILD_TESTING=OFF", "-DVELLORA2_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}",
        ])
        subprocess.check_call(["cmake", "--build", str(build), "--target", "vellora2_python", "-j2"])
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        built = next((build / "python" / "package").glob("vellora2*.so"))
        self.copy_file(str(built), str(target))
        self.copy_file(str(SOURCE / "python" / "vellora2.pyi"), str(target.parent / "vellora2.pyi"))


setup(ext_modules=[Extension("vellora2", sources=[])], cmdclass={"build_ext": CMakeBuild})
