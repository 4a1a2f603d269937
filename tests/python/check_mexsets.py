"""Checks an installed mexsets package: every function of its list is there
and gives the outputs of its examples (modules/<name>/<name>_examples.txt of
the source tree beside this file, read by examples.py). Exits non-zero at the
first difference. Used by the install test; run as `python check_mexsets.py`."""
import sys

import numpy as np

import mexsets
from mexsets import octave
from examples import examples


def difference(got, expected):
    """'' when `got` is `expected` (dtype, shape and values), else what differs."""
    if isinstance(expected, list):
        if not isinstance(got, list) or len(got) != len(expected):
            return f"{got!r} is not a list of {len(expected)} arrays"
        return next((d for g, e in zip(got, expected) if (d := difference(g, e))), "")
    if not (isinstance(got, np.ndarray) and got.dtype == expected.dtype
            and got.shape == expected.shape and np.array_equal(got, expected, equal_nan=True)):
        return f"{got!r}, expected {expected!r}"
    return ""


def example_differences(name):
    """What differs in each example of `name`, in a list ('' for none)."""
    found = []
    for k, example in enumerate(examples(name), 1):
        result = getattr(octave, name)(*example.inputs, **example.options)
        result = list(result) if isinstance(result, tuple) else [result]
        if len(result) != example.nargout:
            found.append(f"{name} example {k}: {len(result)} outputs, not {example.nargout}")
            continue
        found += [f"{name} example {k} output {j}: {d}" for j, (g, e)
                  in enumerate(zip(result, example.outputs), 1) if (d := difference(g, e))]
    return found


def main():
    listed = mexsets._function_names()
    missing = [name for name in listed if not callable(getattr(octave, name, None))]
    if missing or not listed:
        sys.exit(f"check_mexsets: the package lists {listed}, lacks {missing}")
    for name in listed:
        found = example_differences(name)
        if found:
            sys.exit("check_mexsets: " + "\n".join(found))
    if "score_subsets" in listed:
        try:
            octave.score_subsets([1, 2], [1, 2], 3)
            sys.exit("check_mexsets: score_subsets accepted id 3 of 2 items")
        except mexsets.Error as error:
            if error.identifier != "mexsets:score_subsets:idOutOfRange":
                sys.exit(f"check_mexsets: score_subsets raised {error.identifier} ({error})")
    print(f"check_mexsets: the {len(listed)} functions of mexsets {mexsets.__version__} "
          f"in {mexsets.__file__} give the expected results")


if __name__ == "__main__":
    main()
