"""The types that the wrappers' annotations and the type stubs
(__init__.pyi, made from the wrappers' signatures) name. Imported only by
type checkers."""
from typing import Any, List, Literal, Optional, Sequence, Tuple, Union

import numpy as np
from numpy.typing import ArrayLike, NDArray

Scalar = Union[float, int, bool, ArrayLike]
Doubles = NDArray[np.float64]
Ids = NDArray[np.intp]
# Sets of ids: a 2-D array padded with -1, or a sequence of 1-D sets.
Sets = Union[ArrayLike, Sequence[ArrayLike]]

__all__ = ["Any", "ArrayLike", "Doubles", "Ids", "List", "Literal", "NDArray", "Optional",
           "Scalar", "Sequence", "Sets", "Tuple", "Union", "np"]
