"""The errors that mexsets functions raise."""


class Error(ValueError):
    """A mexsets function refused its input.

    Attributes
    ----------
    identifier : str
        ``mexsets:<function>:<reason>``, the identifier that the Octave and
        MATLAB functions raise for the same input.
    reason : str
        The last part of the identifier, e.g. ``"idOutOfRange"``.
    """

    def __init__(self, message, identifier):
        super().__init__(message)
        self.identifier = identifier
        self.reason = identifier.rsplit(":", 1)[-1]


class ArgumentTypeError(Error, TypeError):
    """An input of a type that cannot be read as real numbers (complex,
    strings, objects): both a mexsets.Error and a TypeError."""
