"""The parts of the mexsets documentation made at build time.

- docs/api/ (make_api, from conf.py): the API reference. The Python pages list every function of
  modules/functions.txt (autosummary: each page is the function's docstring);
  the Octave pages show each function's help as `help NAME` prints it,
  expanded from modules/<name>/<name>.m with help/expand_help.py.
- ``.. readme-example:: octave|python``: the README's first example in that
  host, run now, with what it prints. A README whose printed lines differ
  from the run's is a build warning (an error under -W).
"""
import importlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

from docutils import nodes
from docutils.parsers.rst import Directive
from sphinx.util import logging

logger = logging.getLogger(__name__)

API_INTRO = """\
API reference
=============

Every function comes in two Python layers over one computation, and in
Octave/MATLAB:

- :doc:`python`: NumPy conventions, 0-based ids, -1 padding.
- :doc:`octave_layer`: the Octave-faithful form, the same ids, shapes and
  bits as in Octave; the layer to use when porting MATLAB/Octave code.
- :doc:`octave`: the Octave and MATLAB functions, with their help as
  ``help NAME`` prints it.

The pages are made from the docstrings and the help files of this build.

.. toctree::
   :maxdepth: 1

{entries}
"""


def function_names(root):
    text = (Path(root) / "modules" / "functions.txt").read_text()
    return [line.strip() for line in text.splitlines()
            if line.strip() and not line.startswith("#")]


def octave_help(root, name):
    """The help text of NAME as Octave prints it, and its one-line summary."""
    sys.path.insert(0, str(Path(root) / "help"))
    try:
        from expand_help import expand
    finally:
        sys.path.pop(0)
    lines = []
    for line in expand(Path(root) / "modules" / name / f"{name}.m").split("\n"):
        if not line.startswith("%"):
            break  # the help ends at the first line that is not a comment
        lines.append(line[1:])
    summary = re.sub(r"^[A-Z_0-9]+\s+", "", lines[0]).strip()
    return "\n".join(lines).rstrip() + "\n", summary


def result_types():
    """The named tuples that the native functions return."""
    import mexsets
    return sorted(name for name in getattr(mexsets, "__all__", [])
                  if isinstance(getattr(mexsets, name), type)
                  and issubclass(getattr(mexsets, name), tuple))


def indent(text, by="   "):
    return "\n".join(by + line if line.strip() else "" for line in text.split("\n"))


def write_if_changed(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    if not path.exists() or path.read_text() != text:
        path.write_text(text)


def python_page(title, module, names, intro):
    entries = "\n".join(f"   {name}" for name in names)
    rule = "=" * len(title)
    return (f"{title}\n{rule}\n\n{intro}\n\n.. currentmodule:: {module}\n\n"
            f".. autosummary::\n   :toctree: generated\n\n{entries}\n")


def make_api(srcdir, root):
    """Writes SRCDIR/api/ (before Sphinx looks for its sources: conf.py calls it)."""
    api = Path(srcdir) / "api"
    names = function_names(root)
    try:
        importlib.import_module("mexsets.octave")
        have_octave_layer = True
    except ImportError:
        have_octave_layer = False
    pages = ["python"]
    write_if_changed(api / "python.rst", python_page(
        "mexsets (Python, native)", "mexsets", names + ["Error", "ArgumentTypeError"]
        + result_types(),
        "The functions for NumPy users: ids are 0-based, padded sets end at "
        "their first negative entry, and results with several parts are named "
        "tuples (listed after the functions). ``mexsets.Error`` (a ValueError) and ``mexsets.ArgumentTypeError`` "
        "(a TypeError) carry the identifier ``mexsets:<function>:<reason>``."))
    if have_octave_layer:
        pages.append("octave_layer")
        write_if_changed(api / "octave_layer.rst", python_page(
            "mexsets.octave (Python, Octave-faithful)", "mexsets.octave", names,
            "The same functions with the ids, end markers, shapes and bits of "
            "the Octave functions: arrays saved from MATLAB or Octave "
            "(``scipy.io.loadmat``) give the same results. See "
            ":ref:`porting`."))
    pages.append("octave")
    rows = []
    for name in names:
        text, summary = octave_help(root, name)
        rows.append(f"   * - :doc:`octave/{name}`\n     - {summary}")
        title = f"{name} (Octave)"
        write_if_changed(api / "octave" / f"{name}.rst", (
            f".. _octave-{name}:\n\n{title}\n{'=' * len(title)}\n\n{summary}\n\n"
            f"``help {name}`` in Octave or MATLAB prints:\n\n"
            f".. code-block:: text\n\n{indent(text)}\n"))
    write_if_changed(api / "octave.rst", (
        "Octave and MATLAB functions\n===========================\n\n"
        "Each page is the function's help, as built into ``build/octave``.\n\n"
        ".. list-table::\n   :widths: 30 70\n\n" + "\n".join(rows) + "\n\n"
        ".. toctree::\n   :hidden:\n\n"
        + "\n".join(f"   octave/{name}" for name in names) + "\n"))
    intro = API_INTRO if have_octave_layer else API_INTRO.replace(
        ":doc:`octave_layer`", "``mexsets.octave``")
    write_if_changed(api / "index.rst",
                     intro.format(entries="\n".join(f"   {page}" for page in pages)))


# The README's first examples: the code block after HEADING, and the block
# after it (what it prints).
README_EXAMPLES = {"octave": "## A first example", "python": "**A first example**"}


def readme_example(readme, host):
    text = Path(readme).read_text()
    start = text.index(README_EXAMPLES[host])
    blocks = re.findall(r"```(\w*)\n(.*?)```", text[start:], re.S)
    (language, code), (_, printed) = blocks[0], blocks[1]
    if language != host:
        raise ValueError(f"README.md: the block after {README_EXAMPLES[host]!r} is not {host}")
    return code, printed


def run_example(host, code, build):
    """What CODE prints in HOST, or None when this build cannot run it."""
    if host == "python":  # the package that Sphinx imports (tools/docs.sh: the build's)
        result = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                                env=dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path)))
    else:
        octave = shutil.which("octave-cli")
        folder = Path(build) / "octave"
        if octave is None or not any(folder.glob("*.oct")):
            return None
        code = re.sub(r"^pkg load mexsets.*$", f"addpath('{folder}');", code, flags=re.M)
        with tempfile.TemporaryDirectory() as home:
            result = subprocess.run([octave, "--norc", "--quiet", "--no-window-system",
                                     "--eval", code], capture_output=True, text=True,
                                    env=dict(os.environ, HOME=home))
    if result.returncode != 0:
        return f"(the example failed)\n{result.stderr}"
    return result.stdout


class ReadmeExample(Directive):
    required_arguments = 1

    def run(self):
        env = self.state.document.settings.env
        host = self.arguments[0]
        # The README beside the pages' folder (as benchmarks.rst includes it).
        readme = Path(env.srcdir).parent / "README.md"
        code, printed = readme_example(readme, host)
        output = run_example(host, code, env.config.mexsets_build)
        env.note_dependency(str(readme))
        source = nodes.literal_block(code, code, language="octave" if host == "octave" else host)
        if output is None:
            logger.info(f"mexsets: no Octave build to run the {host} example; "
                        "showing the README's output")
            caption = "prints (as the README gives it; Octave was not run here):"
            output = printed
        else:
            caption = "prints (run when this page was built):"
            if output.split() != printed.split():
                logger.warning(f"README.md's {host} example prints\n{output}\nbut the README "
                               f"says\n{printed}", location=(env.docname, self.lineno))
        return [source, nodes.paragraph(text=caption),
                nodes.literal_block(output, output, language="text")]


def setup(app):
    app.add_config_value("mexsets_root", "", "env")
    app.add_config_value("mexsets_build", "", "env")
    app.add_directive("readme-example", ReadmeExample)
    return {"parallel_read_safe": True, "parallel_write_safe": True}
