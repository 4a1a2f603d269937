"""The examples of a function, modules/<name>/<name>_examples.txt (the format
is described in tests/support/examples.hpp), for the Python tests: number
inputs as floats, matrices as 2-D float64 arrays, name-value pairs (from the
first text input on) as the keywords `options`; outputs as Python gives them
(an M-by-1 output 1-D, a cell a list of 1-D arrays)."""
import os
import re
from pathlib import Path

import numpy as np

MODULES = Path(os.environ.get("MEXSETS_ROOT") or Path(__file__).resolve().parents[2]) / "modules"
DTYPES = {"double": np.float64, "logical": np.bool_, "uint32": np.uint32}
_TOKEN = re.compile(r"\s*(zeros\(|reshape\(|-?(?:NaN|Inf|\d+\.?\d*(?:e[-+]?\d+)?|\.\d+(?:e[-+]?\d+)?)|[][{};,)])")


class Example:
    def __init__(self, nargout):
        self.nargout, self.inputs, self.outputs, self.options = nargout, [], [], {}
        self._name = None  # an option name waiting for its value

    def expected(self):
        """The outputs as Python gives them: one array, or a tuple of them."""
        return self.outputs[0] if self.nargout == 1 else tuple(self.outputs)


def _tokens(text):
    tokens, pos = [], 0
    text = text.rstrip()
    while pos < len(text):
        match = _TOKEN.match(text, pos)
        if not match:
            raise ValueError(f"unexpected text at {text[pos:]!r}")
        tokens.append(match.group(1))
        pos = match.end()
    return tokens


def _number(token):
    return -float(token[1:]) if token.startswith("-") else float(token)  # keeps -0


def _parse(tokens):
    """(value, cell): a number, an N-D float64 array, or a list of them."""
    token = tokens.pop(0)
    if token == "{":
        items = [_parse(tokens)[0]]
        while tokens.pop(0) == ";":
            items.append(_parse(tokens)[0])
        return items, True
    if token in ("zeros(", "reshape("):
        data = np.zeros(0) if token == "zeros(" else _parse(tokens)[0].ravel(order="F")
        if token == "reshape(":
            tokens.pop(0)
        dims = [int(_number(tokens.pop(0)))]
        while tokens.pop(0) == ",":
            dims.append(int(_number(tokens.pop(0))))
        if token == "zeros(":
            return np.zeros(dims, order="F"), False
        return np.reshape(data, dims, order="F"), False
    if token == "[":
        rows, row = [], []
        while (token := tokens.pop(0)) != "]":
            if token == ";":
                rows.append(row)
                row = []
            elif token != ",":
                row.append(_number(token))
        if row or rows:
            rows.append(row)
        return np.array(rows, dtype=np.float64).reshape(len(rows), -1 if rows else 0), False
    return _number(token), False


def value(text):
    tokens = _tokens(text)
    parsed, cell = _parse(tokens)
    if tokens:
        raise ValueError(f"unexpected {tokens!r} after a value in {text!r}")
    return parsed, cell


def _output(kind, text):
    parsed, cell = value(text)
    if cell:
        return [np.asarray(row, dtype=np.float64).ravel(order="F").astype(DTYPES[kind])
                for row in parsed]
    array = np.atleast_2d(np.asarray(parsed, dtype=np.float64)).astype(DTYPES[kind], order="F")
    return array[:, 0].copy() if array.ndim == 2 and array.shape[1] == 1 else array


def examples(name):
    """The examples of `name`, the valid call first. A missing or malformed
    table raises (a function without examples is not skipped)."""
    path = MODULES / name / f"{name}_examples.txt"
    if not path.is_file():
        raise FileNotFoundError(f"{path} is missing: every function needs its examples")
    found = []
    for number, line in enumerate(path.read_text().splitlines(), 1):
        kind, _, rest = line.strip().partition(" ")
        try:
            if not kind or kind.startswith("#"):
                continue
            if kind == "call":
                found.append(Example(int(rest)))
            elif kind == "in" and (rest.strip().startswith("'") or found[-1].options or
                                   found[-1]._name):
                text = rest.strip()
                parsed = text[1:-1] if re.fullmatch(r"'[^']*'", text) else value(rest)[0]
                if found[-1]._name is None:
                    assert isinstance(parsed, str), "an option name is text"
                    found[-1]._name = parsed
                else:
                    found[-1].options[found[-1]._name] = parsed
                    found[-1]._name = None
            elif kind == "in":
                parsed, cell = value(rest)
                assert not cell, "a cell is an output only"
                found[-1].inputs.append(parsed if isinstance(parsed, float)
                                        else np.asfortranarray(parsed))
            elif kind == "out":
                cls, _, text = rest.strip().partition(" ")
                found[-1].outputs.append(_output(cls, text))
            else:
                raise ValueError(f"unknown line kind {kind!r}")
        except (AssertionError, IndexError, KeyError, ValueError) as error:
            raise ValueError(f"{path} line {number}: {error!r}") from error
    if not found or any(len(e.outputs) != e.nargout for e in found):
        raise ValueError(f"{path}: no example, or one with another number of outputs than "
                         "it asks for")
    return found


def valid_call(name):
    """The inputs of the function's valid call, its first example."""
    return examples(name)[0].inputs
