"""Sphinx configuration of the mexsets documentation (built by tools/docs.sh).

The package is imported from the build (PYTHONPATH=BUILD/python, which
tools/docs.sh sets); the Octave help is expanded from modules/<name>/<name>.m
at build time; the README's first examples are run and its benchmark section
is included as it stands. Nothing is fetched: the build runs offline.
"""
import os
import sys
from pathlib import Path

import mexsets

DOCS = Path(__file__).resolve().parent
# The source tree (tools/docs.sh builds a copy of docs/ and names it).
ROOT = Path(os.environ.get("MEXSETS_ROOT", DOCS.parent))
sys.path.insert(0, str(DOCS / "_ext"))
from mexsets_docs import make_api  # noqa: E402

make_api(DOCS, ROOT)

project = "mexsets"
copyright = "the mexsets developers"
version = release = mexsets.__version__

extensions = [
    "sphinx.ext.autodoc",
    "sphinx.ext.autosummary",
    "sphinx.ext.doctest",
    "numpydoc",
    "sphinx_gallery.gen_gallery",
    "myst_parser",
    "mexsets_docs",
]

exclude_patterns = ["_build", "auto_examples/*.ipynb", "auto_examples/*.py",
                    "auto_examples/*.md5", "auto_examples/*.pickle",
                    "auto_examples/*.zip"]
templates_path = []

html_theme = "pydata_sphinx_theme"
html_title = f"mexsets {release}"
html_theme_options = {"navigation_depth": 2, "show_prev_next": True}
html_static_path = ["_static"]
html_css_files = ["mexsets.css"]
html_show_sourcelink = False
html_copy_source = False

autosummary_generate = True
autodoc_typehints = "none"
numpydoc_show_class_members = False
numpydoc_class_members_toctree = False

doctest_global_setup = "import numpy as np\nimport mexsets"

sphinx_gallery_conf = {
    "examples_dirs": str(DOCS / "examples"),
    "gallery_dirs": str(DOCS / "auto_examples"),
    "filename_pattern": r"/plot_",
    "download_all_examples": False,
    "remove_config_comments": True,
    "abort_on_example_error": True,
    "only_warn_on_example_error": False,
    "show_memory": False,
    "min_reported_time": 0,
    "matplotlib_animations": False,
    "plot_gallery": "True",
}

# The root of the source tree and the build, for the extension.
mexsets_root = str(ROOT)
mexsets_build = os.environ.get("MEXSETS_BUILD", str(ROOT / "build"))
