"""The types that the wrappers' annotations and the type stubs
(__init__.pyi, made from the wrappers' signatures) name. Imported only by
type checkers."""
from typing import List, Optional, Tuple, Union

import numpy as np
from numpy.typing import ArrayLike, NDArray

Scalar = Union[float, int, bool, ArrayLike]
Doubles = NDArray[np.float64]

__all__ = ["ArrayLike", "Doubles", "List", "NDArray", "Optional", "Scalar", "Tuple", "Union",
           "np"]
