"""The README's first Python example prints what the README says it prints."""
import contextlib
import io
import os
import re
from pathlib import Path

ROOT = Path(os.environ.get("MEXSETS_ROOT", Path(__file__).resolve().parents[2]))


def test_first_python_example_prints_what_the_readme_shows():
    section = (ROOT / "README.md").read_text().split("\n## Python\n", 1)[1]
    match = re.search(r"```python\n(.*?)```\n+prints\n+```\n(.*?)```", section, re.S)
    assert match, "README.md's Python section has no example followed by what it prints"
    code, shown = match.groups()
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        exec(compile(code, "README.md", "exec"), {})
    assert out.getvalue() == shown
