"""Puts the shared help sections of help/octave/ and help/python/ into a
function's help file, and writes the package's type stubs.

    python3 help/expand_help.py SOURCE OUTPUT...
        SOURCE is modules/<name>/<name>.m (Octave help, sections from
        help/octave/) or modules/<name>/<name>.py (Python wrapper, sections
        from help/python/); each OUTPUT receives the expanded text.
    python3 help/expand_help.py --stubs OUTPUT WRAPPER...
        OUTPUT (the package's __init__.pyi) receives help/python/stubs.pyi
        followed by the signature of each WRAPPER's public function.

A marker is a whole line  <prefix>@include <section>[ <argument>]  where the
prefix is "%" or blanks. It is replaced by the lines of <section>.txt, each
appended to the prefix (trailing blanks dropped), with @NAME@ replaced by
the function's name (the file name, less a leading "_") and @ARG@ by the
argument. build.m does the same for the Octave help in MATLAB.
"""
import re
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
MARKER = re.compile(r"^([%\s]*)@include ([a-z_]+) ?(.*)$")


def expand(source):
    """The text of SOURCE (a path) with its markers replaced."""
    source = Path(source)
    host = {".m": "octave", ".py": "python"}[source.suffix]
    name = source.stem.lstrip("_")
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
    """The def line(s) of WRAPPER's public function, ending in ': ...'."""
    lines = Path(wrapper).read_text().split("\n")
    name = Path(wrapper).stem.lstrip("_")
    start = next(k for k, line in enumerate(lines) if line.startswith(f"def {name}("))
    end = next(k for k in range(start, len(lines)) if lines[k].endswith(":"))
    return "\n".join(lines[start:end + 1])[:-1] + ": ..."


def stubs(wrappers):
    head = (HERE / "python" / "stubs.pyi").read_text()
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
