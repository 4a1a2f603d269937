"""Puts the shared help sections of help/octave/ and help/python/ into a
function's help file, and writes the package's type stubs.

    python3 help/expand_help.py SOURCE OUTPUT...
        SOURCE is modules/<name>/<name>.m (Octave help, sections from
        help/octave/) or a Python wrapper, modules/<name>/<name>.py (native)
        or modules/<name>/<name>_octave.py (Octave-faithful), sections from
        help/python/; each OUTPUT receives the expanded text.
    python3 help/expand_help.py --stubs OUTPUT WRAPPER...
        OUTPUT receives a head followed by the signature of each WRAPPER's
        public function (with its @overload forms, if any): the native
        wrappers give mexsets/__init__.pyi (head help/python/stubs.pyi), the
        faithful ones mexsets/octave/__init__.pyi (head
        help/python/octave_stubs.pyi).

A marker is a whole line  <prefix>@include <section>[ <argument>]  where the
prefix is "%" or blanks. It is replaced by the lines of <section>.txt, each
appended to the prefix (trailing blanks dropped), with @NAME@ replaced by
the function's name (the file name, less a leading "_" and a trailing
"_octave") and @ARG@ by the argument. build.m does the same for the Octave help in MATLAB.
"""
import re
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
MARKER = re.compile(r"^([%\s]*)@include ([a-z_]+) ?(.*)$")


def function_name(path):
    """The function that the help file or wrapper at PATH is of."""
    name = Path(path).stem.lstrip("_")
    return name[:-len("_octave")] if name.endswith("_octave") else name


def expand(source):
    """The text of SOURCE (a path) with its markers replaced."""
    source = Path(source)
    host = {".m": "octave", ".py": "python"}[source.suffix]
    name = function_name(source)
    out = []
    for number, line in enumerate(source.read_text().split("\n"), 1):
        match = MARKER.match(line)
        if not match:
            out.append(line)
            continue
        prefix, section, argument = match.groups()
        path = HERE / host / f"{section}.txt"
        if not path.is_file():
            sys.exit(f"{source}:{number}: no shared section {path}")
        text = path.read_text()
        if not text.endswith("\n"):
            sys.exit(f"{path}: does not end with a newline")
        if "@ARG@" in text and not argument:
            sys.exit(f"{source}:{number}: the section {section} needs an argument")
        text = text.replace("@NAME@", name).replace("@ARG@", argument)
        out.extend((prefix + part).rstrip() for part in text.split("\n")[:-1])
    return "\n".join(out)


def signature(wrapper):
    """The def line(s) of WRAPPER's public function, ending in ': ...'; of a
    function with @overload forms, those forms, each after its decorator."""
    lines = Path(wrapper).read_text().split("\n")
    name = function_name(wrapper)
    starts = [k for k, line in enumerate(lines) if line.startswith(f"def {name}(")]
    overloads = [k for k in starts if k > 0 and lines[k - 1] == "@overload"]
    forms = []
    for start in overloads or starts[:1]:
        end = next(k for k in range(start, len(lines)) if lines[k].endswith((":", ": ...")))
        text = "\n".join(lines[start:end + 1])
        text = text if text.endswith(": ...") else text[:-1] + ": ..."
        forms.append(("@overload\n" if overloads else "") + text)
    return "\n".join(forms)


def stubs(wrappers):
    faithful = any(function_name(w) != Path(w).stem.lstrip("_") for w in wrappers)
    head = (HERE / "python" / ("octave_stubs.pyi" if faithful else "stubs.pyi")).read_text()
    return head + "".join(signature(w) + "\n" for w in wrappers)


def write(path, text):
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text)


def main(args):
    if len(args) >= 2 and args[0] == "--stubs":
        write(args[1], stubs(args[2:]))
    elif len(args) >= 2:
        text = expand(args[0])
        for output in args[1:]:
            write(output, text)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
