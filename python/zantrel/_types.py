"""The names of the types that zantrel's functions take and give, for annotations.

The functions accept a name in any case; the literals list the spellings a script
writes (lower case, capitalised, upper case), so that a type checker catches a typo.
"""

from typing import Literal, Optional, TypedDict

import numpy as np
import numpy.typing as npt

__all__ = ["CrystalSystem", "SystemName", "DataKind", "Minimised", "EosForm", "PrecisionPath", "Reflections", "Row"]

# The names the results give.
CrystalSystem = Literal["cubic", "tetragonal", "hexagonal", "orthorhombic", "monoclinic", "triclinic"]

SystemName = Literal[
    "cubic", "tetragonal", "hexagonal", "orthorhombic", "monoclinic", "triclinic",
    "Cubic", "Tetragonal", "Hexagonal", "Orthorhombic", "Monoclinic", "Triclinic",
    "CUBIC", "TETRAGONAL", "HEXAGONAL", "ORTHORHOMBIC", "MONOCLINIC", "TRICLINIC",
    1, 2, 3, 4, 5, 6,
]
DataKind = Literal["2theta", "2Theta", "2THETA", "d", "D", "energy", "Energy", "ENERGY"]
Minimised = Literal["2theta", "2Theta", "2THETA", "d", "D", "energy", "Energy", "ENERGY", "q", "Q"]
PrecisionPath = Literal["double", "extended"]
EosForm = Literal["bm2", "bm3", "bm4", "vinet"]  # as fit_eos takes them: lower case only


class Reflections(TypedDict):
    """Result.reflections: one entry per reflection, in the order of the report's table."""

    h: npt.NDArray[np.int32]
    k: npt.NDArray[np.int32]
    l: npt.NDArray[np.int32]  # noqa: E741 (the Miller index)
    row: npt.NDArray[np.int32]
    d_obs: npt.NDArray[np.float64]
    d_calc: npt.NDArray[np.float64]
    position_as_read: npt.NDArray[np.float64]
    position_obs: npt.NDArray[np.float64]
    position_calc: npt.NDArray[np.float64]
    residual: npt.NDArray[np.float64]
    flagged: npt.NDArray[np.bool_]


class Row(TypedDict):
    """Result.as_row(): the run's row of zantrel-cli --summary."""

    file: str
    system: CrystalSystem
    n_reflections: int
    a: float
    sigma_a: float
    b: float
    sigma_b: float
    c: float
    sigma_c: float
    alpha: float
    sigma_alpha: Optional[float]
    beta: float
    sigma_beta: Optional[float]
    gamma: float
    sigma_gamma: Optional[float]
    volume: float
    sigma_volume: float
    zero_shift: Optional[float]
    sigma_zero_shift: Optional[float]
    sigmafit: float
    n_flagged: int
    system_requested: CrystalSystem
    refinement_steps: str
    path: PrecisionPath
    fallback_reason: Optional[str]
    status: str
    n_excluded: int
