"""Builds the mexsets Python package: one extension per function of
modules/functions.txt (its pybind11 binding and its computation), the
package's Python files, each function's native wrapper
modules/<name>/<name>.py installed as mexsets/_<name>.py and its
Octave-faithful wrapper modules/<name>/<name>_octave.py as
mexsets/octave/_<name>.py (the shared sections of help/ put in their
docstrings), and the type stubs of both layers made from the wrappers."""
import os
import re
import sys
import sysconfig
import threading
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext
from setuptools.command.build_py import build_py

ROOT = Path(__file__).resolve().parent


def version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"^project\(mexsets VERSION ([0-9.]+)", text, re.M).group(1)


def functions():
    lines = (ROOT / "modules" / "functions.txt").read_text().splitlines()
    return [line.strip() for line in lines if re.fullmatch(r"[a-z_]+", line.strip())]


def pybind11_include():
    """pybind11's headers: its Python module when installed, else the
    system's (Debian's pybind11-dev puts them in /usr/include)."""
    try:
        import pybind11
        return [pybind11.get_include()]
    except ImportError:
        pass
    for base in [os.environ.get("PYBIND11_INCLUDE"), sysconfig.get_paths()["include"],
                 "/usr/include", "/usr/local/include"]:
        if base and (Path(base) / "pybind11" / "pybind11.h").exists():
            return [base]
    sys.exit("mexsets: the pybind11 headers are missing; install them "
             "(Debian: apt-get install pybind11-dev) or set PYBIND11_INCLUDE")


def extension(name):
    """The function's binding, its computation (the other .cpp files of its
    folder) and every common/*.cpp, the computations several functions share."""
    folder = ROOT / "modules" / name
    sources = [f"modules/{name}/{name}_python.cpp"] + sorted(
        f"modules/{name}/{path.name}" for path in folder.glob("*.cpp")
        if not path.name.endswith(("_mex.cpp", "_oct.cpp", "_python.cpp"))) + sorted(
        f"common/{path.name}" for path in (ROOT / "common").glob("*.cpp"))
    return Extension(
        f"mexsets._{name}_native", sources=sources, language="c++",
        include_dirs=["include", ".", f"modules/{name}"] + pybind11_include(),
        libraries=["tbb"],  # oneTBB's shared pool of threads (common/parallel.hpp)
        extra_compile_args=["-std=c++17", "-O2", "-fvisibility=hidden", "-g0"])


def write_help(package):
    """Each native wrapper as mexsets/_<name>.py and each faithful one as
    mexsets/octave/_<name>.py with the shared sections of help/ in its
    docstring, and the type stubs __init__.pyi of both made from the
    wrappers' signatures (help/expand_help.py, which CMake runs too)."""
    sys.path.insert(0, str(ROOT / "help"))
    import expand_help
    folders = [ROOT / "modules" / name for name in functions()]
    native = [f / f"{f.name}.py" for f in folders if (f / f"{f.name}.py").is_file()]
    faithful = [f / f"{f.name}_octave.py" for f in folders]
    for wrapper in native:
        expand_help.write(package / f"_{wrapper.stem}.py", expand_help.expand(wrapper))
    for wrapper in faithful:
        expand_help.write(package / "octave" / f"_{wrapper.parent.name}.py",
                          expand_help.expand(wrapper))
    expand_help.write(package / "__init__.pyi", expand_help.stubs(native))
    expand_help.write(package / "octave" / "__init__.pyi", expand_help.stubs(faithful))


class BuildPy(build_py):
    """Adds the wrappers, the type stubs, the function list and the version
    to the package."""

    def run(self):
        super().run()
        package = Path(self.build_lib) / "mexsets"
        package.mkdir(parents=True, exist_ok=True)
        write_help(package)
        self.copy_file(str(ROOT / "modules" / "functions.txt"), str(package / "functions.txt"))
        (package / "_version.py").write_text(f'__version__ = "{version()}"\n')


class BuildExt(build_ext):
    """Compiles the extensions one per processor at a time unless told
    otherwise, and says which one it starts, as "[k/n] mexsets._<name>_native"
    on the standard output (pip shows it with -v)."""

    def finalize_options(self):
        super().finalize_options()
        if self.parallel is None:
            self.parallel = os.cpu_count() or 1
        self._started = 0
        self._lock = threading.Lock()

    def build_extension(self, ext):
        with self._lock:
            self._started += 1
            # One write of the whole line: the compiler's and the other
            # builds' output share the stream.
            sys.stdout.write(f"[{self._started}/{len(self.extensions)}] {ext.name}\n")
            sys.stdout.flush()
        super().build_extension(ext)


# Build products stay under build/ (ignored by git), beside the CMake build.
(ROOT / "build" / "setuptools").mkdir(parents=True, exist_ok=True)

setup(
    name="mexsets",
    version=version(),
    description="Set and merge-tree bookkeeping on NumPy arrays of item and node ids",
    long_description=(ROOT / "README.md").read_text(),
    long_description_content_type="text/markdown",
    license="BSD-2-Clause",
    python_requires=">=3.8",
    install_requires=["numpy"],
    # python -m mexsets.demo: photographs, its picture and Dask clusters.
    extras_require={"demo": ["scikit-image", "matplotlib", "distributed"]},
    packages=["mexsets", "mexsets.octave"],
    package_dir={"mexsets": "python/mexsets", "mexsets.octave": "python/mexsets/octave"},
    package_data={"mexsets": ["py.typed", "*.pyi"], "mexsets.octave": ["*.pyi"]},
    ext_modules=[extension(name) for name in functions()],
    cmdclass={"build_py": BuildPy, "build_ext": BuildExt},
    options={"build": {"build_base": "build/setuptools"},
             "egg_info": {"egg_base": "build/setuptools"}},
    zip_safe=False,
)
