"""The Python help and the Octave help, as built, say the same. Of both
layers (mexsets, native; mexsets.octave, faithful) each docstring's examples
run as doctests and the type stubs have every wrapper's signature. Of the
faithful layer the parameters are the help's argument names, the wrapper's
signature is the contract's, and the Raises section lists the reasons the
Octave help lists (less those only a MEX host raises, plus the Python-only
integerTooLarge); a native Raises section lists the computation's reasons it
can meet and the native refusals. The package's docstrings name every
function."""
import doctest
import importlib
import inspect
import os
import re
import sys
from pathlib import Path

import pytest

import mexsets
from mexsets import octave

ROOT = Path(os.environ.get("MEXSETS_ROOT", Path(__file__).resolve().parents[2]))
NAMES = mexsets._function_names()
MEX_ONLY = {"nargin", "nargout", "sparseInput", "notDouble", "badOptionName", "unknownOption",
            "optionWithoutValue", "repeatedOption"}  # Python's keywords: a TypeError
# Raised in Python where the MEX host raises another reason (or none).
PYTHON_ONLY = {"integerTooLarge", "typesNotCoherent", "complexInput", "nargin"}


def octave_help(name):
    """The Octave help as built (MEXSETS_BUILD/octave), else as the build
    would write it."""
    built = Path(os.environ.get("MEXSETS_BUILD", ROOT / "build")) / "octave" / f"{name}.m"
    if built.is_file():
        return built.read_text()
    sys.path.insert(0, str(ROOT / "help"))
    import expand_help
    return expand_help.expand(ROOT / "modules" / name / f"{name}.m")


def help_arguments(name):
    """The argument names of the help's usage lines, lower-cased: at each
    position the first name (not a value such as a mode number) any line has."""
    forms = [[word.strip(" %\n") for word in form.split(",")]
             for form in re.findall(rf"\b{name.upper()}\(([A-Z_0-9, %\n]*)\)", octave_help(name))]
    names = []
    for k in range(max(len(form) for form in forms)):
        words = [form[k] for form in forms if len(form) > k and re.fullmatch(r"[A-Z_]\w*", form[k])]
        names.append(words[0].lower())
    return names


def help_reasons(name):
    section = octave_help(name).split("Errors (identifier", 1)[1]
    section = section.split("%   Example", 1)[0]
    return set(re.findall(r"^%\s{4,}([a-z][A-Za-z]+)\s", section, re.M))


def doc_section(doc, title):
    match = re.search(rf"^\s*{title}\n\s*-+\n(.*?)(?=^\s*[A-Z][a-z]+\n\s*-+\n|\Z)", doc,
                      re.M | re.S)
    return match.group(1) if match else ""


# The native layer's own refusals.
NATIVE_ONLY = {"badShape", "idNotWhole", "missingArgument", "badChoice"}


def wrapper(name, layer):
    """The module of the wrapper (layer "octave" or "native"); a native
    wrapper not written yet skips the test."""
    if layer == "octave":
        return importlib.import_module(f"mexsets.octave._{name}")
    if name not in mexsets.__all__:
        pytest.skip(f"no native wrapper of {name} in this build")
    return importlib.import_module(f"mexsets._{name}")


@pytest.mark.parametrize("layer", ["native", "octave"])
@pytest.mark.parametrize("name", NAMES)
def test_docstring_examples_run(name, layer):
    failed, tried = doctest.testmod(wrapper(name, layer),
                                    optionflags=doctest.NORMALIZE_WHITESPACE)
    assert tried > 0 and failed == 0


@pytest.mark.parametrize("name", NAMES)
def test_arguments_agree_with_the_help_and_the_contract(name):
    function = getattr(octave, name)
    parameters = inspect.signature(function).parameters
    native = importlib.import_module(f"mexsets._{name}_native")
    assert list(parameters) == [word for word, *_ in native.inputs]
    for word, kind, optional, default, named in native.inputs:
        expected = inspect.Parameter.empty
        if optional:
            expected = default if kind in ("scalar", "choice") else None
        assert parameters[word].default == expected, word
        assert (parameters[word].kind == inspect.Parameter.KEYWORD_ONLY) == named, word
    positional = [word.rstrip("_") for word, *_, named in native.inputs if not named]
    assert positional == help_arguments(name)
    for word, *_, named in native.inputs:
        assert not named or f"'{word}'" in octave_help(name), f"the help names no option {word}"
    documented = re.findall(r"^    (\w+(?:, \w+)*) :", doc_section(function.__doc__, "Parameters"),
                            re.M)
    assert [w for group in documented for w in group.split(", ")] == list(parameters)


@pytest.mark.parametrize("name", NAMES)
def raised_reasons(doc):
    section = doc_section(doc, "Raises")
    return set(re.findall(r"``([a-z][A-Za-z]+)``", section)) - {"identifier"}


@pytest.mark.parametrize("name", NAMES)
def test_raises_lists_the_help_reasons(name):
    raises = raised_reasons(getattr(octave, name).__doc__)
    reasons = help_reasons(name)
    assert raises - PYTHON_ONLY == reasons - MEX_ONLY - PYTHON_ONLY
    assert "integerTooLarge" in raises


@pytest.mark.parametrize("name", NAMES)
def test_native_docstring_raises_parameters_and_links(name):
    function = getattr(wrapper(name, "native"), name)
    raises = raised_reasons(function.__doc__)
    assert {"badShape", "missingArgument", "integerTooLarge"} <= raises
    assert raises - NATIVE_ONLY <= raised_reasons(getattr(octave, name).__doc__)
    parameters = inspect.signature(function).parameters
    assert parameters["threads"].kind == inspect.Parameter.KEYWORD_ONLY
    assert parameters["threads"].default is None
    documented = re.findall(r"^    (\w+(?:, \w+)*) :", doc_section(function.__doc__, "Parameters"),
                            re.M)
    assert [w for group in documented for w in group.split(", ")] == list(parameters)
    assert f"mexsets.octave.{name}" in doc_section(function.__doc__, "See Also")
    assert f"mexsets.{name}" in doc_section(getattr(octave, name).__doc__, "See Also")


@pytest.mark.parametrize("layer", ["native", "octave"])
@pytest.mark.parametrize("name", NAMES)
def test_docstring_states_the_base_of_ids(name, layer):
    doc = getattr(wrapper(name, layer), name).__doc__
    assert re.search(r"[01]-based", doc) or name == "nondominated"


@pytest.mark.parametrize("package", [mexsets, octave])
def test_stubs_and_package_docstring_name_every_function(package):
    import ast
    names = [name for name in NAMES if name in package.__all__]
    stubs = ast.parse((Path(package.__file__).parent / "__init__.pyi").read_text())
    signatures = {node.name: [a.arg for a in node.args.args + node.args.kwonlyargs]
                  for node in stubs.body if isinstance(node, ast.FunctionDef)}
    assert signatures == {name: list(inspect.signature(getattr(package, name)).parameters)
                          for name in names}
    for name in names:
        assert "@include" not in getattr(package, name).__doc__
        assert re.search(rf"\b{name}\b", package.__doc__), \
            f"the docstring of {package.__name__} does not name {name}"
