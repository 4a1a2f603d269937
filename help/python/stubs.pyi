# Type stubs: the signatures of the functions for editors and type checkers,
# made at build time from the wrappers' own (help/expand_help.py --stubs).
from typing import List, Optional, Tuple, Union

import numpy as np
from numpy.typing import ArrayLike, NDArray

from ._typing import Doubles, Scalar

__version__: str
__all__: List[str]

class Error(ValueError):
    identifier: str
    reason: str
    def __init__(self, message: str, identifier: str) -> None: ...

class ArgumentTypeError(Error, TypeError): ...

