"""The Python tests of a build that has only some of the functions
(MEXSETS_ONLY): the folders tests/<name>/ of the functions it lacks are not
collected."""
import os
from pathlib import Path

ROOT = Path(os.environ.get("MEXSETS_ROOT") or Path(__file__).resolve().parents[1])
BUILD = Path(os.environ.get("MEXSETS_BUILD") or ROOT / "build")


def names(path):
    """The names of a function list, the lines that are a name alone."""
    return [line for line in path.read_text().splitlines() if line and line[0].isalpha()]


LISTED = names(ROOT / "modules" / "functions.txt")
BUILT = names(BUILD / "functions.txt") if (BUILD / "functions.txt").is_file() else LISTED


def pytest_ignore_collect(collection_path, config):
    name = Path(collection_path).name
    return name in LISTED and name not in BUILT and Path(collection_path).parent == ROOT / "tests"
