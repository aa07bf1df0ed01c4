"""Refinement of lattice parameters from indexed powder-diffraction peaks."""

import os
from typing import Any, Dict, Iterable, List, NamedTuple, Optional, Sequence, Union

import numpy as np
import numpy.typing as npt

from zantrel._types import CrystalSystem as CrystalSystem
from zantrel._types import DataKind as DataKind
from zantrel._types import EosForm as EosForm
from zantrel._types import Minimised as Minimised
from zantrel._types import PrecisionPath as PrecisionPath
from zantrel._types import Reflections as Reflections
from zantrel._types import Row as Row
from zantrel._types import SystemName as SystemName

PathArg = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]

__version__: str
__all__: List[str]

class RefinementError(RuntimeError): ...
class HeaderWarning(UserWarning): ...

class Cell(NamedTuple):
    """Lengths in angstrom, angles in degrees, volume in cubic angstrom."""

    a: float
    b: float
    c: float
    alpha: float
    beta: float
    gamma: float
    volume: float

class Sigmas(NamedTuple):
    """The standard errors of a Cell; None for an angle fixed by symmetry."""

    a: float
    b: float
    c: float
    alpha: Optional[float]
    beta: Optional[float]
    gamma: Optional[float]
    volume: float

class Estimate(NamedTuple):
    value: float
    sigma: float

class ZeroShift(NamedTuple):
    value: float
    sigma: float
    applied: bool

class Result:
    @property
    def excluded(self) -> List[Dict[str, Any]]: ...
    def compare_without_flagged(self) -> Dict[str, Any]: ...
    @property
    def cell(self) -> Cell: ...
    @property
    def sigmas(self) -> Sigmas: ...
    @property
    def parameters(self) -> Dict[str, Estimate]: ...
    @property
    def reciprocal_cell(self) -> Dict[str, Estimate]: ...
    @property
    def covariance(self) -> npt.NDArray[np.float64]: ...
    @property
    def correlation(self) -> npt.NDArray[np.float64]: ...
    @property
    def zero_shift(self) -> Optional[ZeroShift]: ...
    @property
    def sigmafit(self) -> float: ...
    @property
    def student_t(self) -> float: ...
    @property
    def system(self) -> CrystalSystem: ...
    @property
    def system_requested(self) -> CrystalSystem: ...
    @property
    def title(self) -> str: ...
    @property
    def too_many_reflections(self) -> bool: ...
    @property
    def reflections(self) -> Reflections: ...
    @property
    def diagnostics(self) -> Dict[str, npt.NDArray[Any]]: ...
    @property
    def path(self) -> PrecisionPath: ...
    @property
    def fallback_reason(self) -> Optional[str]: ...
    @property
    def report(self) -> str: ...
    def to_json(self) -> str: ...
    def to_cif(self) -> str: ...
    def to_dict(self) -> Dict[str, Any]: ...
    def as_row(self) -> Row: ...
    def __eq__(self, other: object) -> bool: ...
    def __hash__(self) -> int: ...
    def __copy__(self) -> "Result": ...
    def __deepcopy__(self, memo: Any) -> "Result": ...

def refine(
    hkl: Union[npt.ArrayLike, Sequence[Sequence[int]]],
    values: npt.ArrayLike,
    *,
    system: SystemName,
    data: DataKind = "2theta",
    wavelength: float = 1.540593,
    beam_2theta: float = 10.0,
    minimise: Minimised = "2theta",
    zero_shift: bool = False,
    full_diagnostics: bool = False,
    title: str = "",
    exclude: Optional[Sequence[Union[int, Sequence[int]]]] = None,
    sigma_2theta: Optional[float] = None,
    sigma_d_relative: Optional[float] = None,
    sigma_energy_relative: Optional[float] = None,
    sigmas: Optional[npt.ArrayLike] = None,
) -> Result: ...

def refine_file(
    path: PathArg,
    *,
    system: SystemName = "triclinic",
    data: DataKind = "2theta",
    wavelength: float = 1.540593,
    beam_2theta: float = 10.0,
    minimise: Minimised = "2theta",
    zero_shift: bool = False,
    full_diagnostics: bool = False,
    report: Optional[PathArg] = None,
    exclude: Optional[Sequence[Union[int, Sequence[int]]]] = None,
    sigma_2theta: Optional[float] = None,
    sigma_d_relative: Optional[float] = None,
    sigma_energy_relative: Optional[float] = None,
    sigma_column: bool = False,
) -> Result: ...

def refine_files(
    paths: Iterable[PathArg],
    *,
    jobs: Optional[int] = None,
    system: SystemName = "triclinic",
    data: DataKind = "2theta",
    wavelength: float = 1.540593,
    beam_2theta: float = 10.0,
    minimise: Minimised = "2theta",
    zero_shift: bool = False,
    full_diagnostics: bool = False,
) -> List[Union[Result, RefinementError]]: ...

def read_data(path: PathArg) -> Dict[str, Any]: ...

def index(
    positions: npt.ArrayLike,
    *,
    cell: Optional[Sequence[float]] = None,
    space_group: Union[str, int, None] = None,
    from_cif: Optional[PathArg] = None,
    from_json: Optional[PathArg] = None,
    data: DataKind = "2theta",
    wavelength: float = 1.540593,
    beam_2theta: float = 10.0,
    minimise: Minimised = "2theta",
    zero_shift: bool = False,
    full_diagnostics: bool = False,
    tolerance: float = 0.05,
    tolerance_relative: Optional[float] = None,
    min_indexed: float = 0.5,
    intensities: Optional[npt.ArrayLike] = None,
    sigmas: Optional[npt.ArrayLike] = None,
    sigma_column: bool = False,
) -> Dict[str, Any]: ...

def index_file(
    path: PathArg,
    *,
    cell: Optional[Sequence[float]] = None,
    space_group: Union[str, int, None] = None,
    from_cif: Optional[PathArg] = None,
    from_json: Optional[PathArg] = None,
    data: DataKind = "2theta",
    wavelength: float = 1.540593,
    beam_2theta: float = 10.0,
    minimise: Minimised = "2theta",
    zero_shift: bool = False,
    full_diagnostics: bool = False,
    tolerance: float = 0.05,
    tolerance_relative: Optional[float] = None,
    min_indexed: float = 0.5,
    sigma_column: bool = False,
) -> Dict[str, Any]: ...

def scales(scale_file: Optional[str] = None) -> List[Dict[str, Any]]: ...

def pressure(
    volume: npt.ArrayLike,
    sigma_volume: npt.ArrayLike = 0.0,
    *,
    scale: str,
    temperature: float = 300.0,
    sigma_temperature: float = 0.0,
    v0: Optional[float] = None,
    scale_file: Optional[str] = None,
) -> Dict[str, npt.NDArray[np.float64]]: ...

def fit_eos(
    p: npt.ArrayLike,
    sigma_p: npt.ArrayLike,
    v: npt.ArrayLike,
    sigma_v: npt.ArrayLike,
    *,
    form: EosForm = "bm3",
    fix_v0: Optional[float] = None,
) -> Dict[str, Any]: ...
