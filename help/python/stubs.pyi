# Type stubs: the signatures of the functions for editors and type checkers,
# made at build time from the native wrappers' own (help/expand_help.py
# --stubs); mexsets/octave/__init__.pyi has the Octave-faithful layer's.
from typing import List, Optional, Tuple, Union, overload

import numpy as np
from numpy.typing import ArrayLike, NDArray

from . import octave as octave
from ._results import (BoundaryGrid as BoundaryGrid, BoundarySums as BoundarySums,
                       MergeTree as MergeTree, Perimeter as Perimeter, Ranking as Ranking,
                       Ratio as Ratio, RegionGraph as RegionGraph, SubsetSums as SubsetSums,
                       Suppression as Suppression)
from ._typing import Doubles, Ids, Literal, Scalar, Sets

__version__: str
__all__: List[str]

class Error(ValueError):
    identifier: str
    reason: str
    def __init__(self, message: str, identifier: str) -> None: ...

class ArgumentTypeError(Error, TypeError): ...

