"""Refinement of lattice parameters from indexed powder-diffraction peaks.

refine(hkl, values, system=...) refines peaks held in arrays, refine_file(path) a
data file and refine_files(paths, jobs=N) a series of them; each run gives a Result.
pressure(volume, scale=...) gives a calibrant's pressure, scales() lists the scales,
fit_eos(p, sigma_p, v, sigma_v) fits an equation of state. The types are in
__init__.pyi beside this file.
"""

# The compiled part defines everything; what it offers is offered here, under this
# package's name, so that a function added there needs no line here.
from . import _zantrel
from ._zantrel import *  # noqa: F401,F403
from ._zantrel import __version__
from ._types import *  # noqa: F401,F403
from . import _types

__all__ = sorted(name for name in vars(_zantrel) if not name.startswith("_")) + _types.__all__
