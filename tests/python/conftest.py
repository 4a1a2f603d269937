"""Where the tests find the build: MEXSETS_ROOT, MEXSETS_BUILD and
MEXSETS_OCTAVE_CLI as ctest sets them, else the repository's build/ and the
octave-cli on PATH."""
import importlib.util
import os
import shutil
import sys
from pathlib import Path

import pytest

ROOT = Path(os.environ.get("MEXSETS_ROOT") or Path(__file__).resolve().parents[2])
BUILD = Path(os.environ.get("MEXSETS_BUILD") or ROOT / "build")

# A plain pytest run without PYTHONPATH tests the package of that build.
if importlib.util.find_spec("mexsets") is None and (BUILD / "python" / "mexsets").is_dir():
    sys.path.insert(0, str(BUILD / "python"))


@pytest.fixture(scope="session")
def octave_cli():
    """The octave-cli to run (an empty MEXSETS_OCTAVE_CLI: CMake found none)."""
    cli = os.environ.get("MEXSETS_OCTAVE_CLI")
    cli = shutil.which("octave-cli") if cli is None else cli
    if not cli:
        pytest.skip("octave-cli not found (put it on PATH or set MEXSETS_OCTAVE_CLI)")
    return cli


@pytest.fixture(scope="session")
def octave_modules():
    """BUILD/octave, the folder of the built oct-files."""
    folder = BUILD / "octave"
    if not any(folder.glob("*.oct")):
        pytest.skip(f"no .oct files in {folder} (build the octave_modules target, "
                    "or set MEXSETS_BUILD to the build folder)")
    return folder
