# Type stubs of mexsets.octave, the Octave-faithful layer: the signatures of
# its functions for editors and type checkers, made at build time from the
# faithful wrappers' own (help/expand_help.py --stubs).
from typing import List, Optional, Tuple, Union

import numpy as np
from numpy.typing import ArrayLike, NDArray

from .._typing import Doubles, Scalar
from .._errors import ArgumentTypeError as ArgumentTypeError, Error as Error

__all__: List[str]

