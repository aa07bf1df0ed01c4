"""Refinement of lattice parameters from indexed powder-diffraction peaks."""

import os
from typing import Any, Dict, List, Literal, NamedTuple, Optional, Sequence, Union

import numpy as np
import numpy.typing as npt

SystemName = Union[
    Literal["cubic", "tetragonal", "hexagonal", "orthorhombic", "monoclinic", "triclinic"],
    Literal[1, 2, 3, 4, 5, 6],
    str,
    int,
]
DataKind = Literal["2theta", "d", "energy"]
Minimised = Literal["2theta", "d", "energy", "q"]
PathArg = Union[str, bytes, os.PathLike]

__version__: str
class RefinementError(RuntimeError): ...
class HeaderWarning(UserWarning): ...

class Cell(NamedTuple):
    a: Optional[float]
    b: Optional[float]
    c: Optional[float]
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
    def sigmas(self) -> Cell: ...
    @property
    def parameters(self) -> dict[str, Estimate]: ...
    @property
    def reciprocal_cell(self) -> dict[str, Estimate]: ...
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
    def system(self) -> str: ...
    @property
    def system_requested(self) -> str: ...
    @property
    def title(self) -> str: ...
    @property
    def too_many_reflections(self) -> bool: ...
    @property
    def reflections(self) -> dict[str, np.ndarray]: ...
    @property
    def diagnostics(self) -> dict[str, np.ndarray]: ...
    @property
    def path(self) -> Literal["double", "extended"]: ...
    @property
    def fallback_reason(self) -> Optional[str]: ...
    @property
    def report(self) -> str: ...
    def to_json(self) -> str: ...
    def to_cif(self) -> str: ...

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
    form: Literal["bm2", "bm3", "bm4", "vinet"] = "bm3",
    fix_v0: Optional[float] = None,
) -> Dict[str, Any]: ...
