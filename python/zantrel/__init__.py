"""Refinement of lattice parameters from indexed powder-diffraction peaks.

refine(hkl, values, system=...) refines peaks held in arrays, refine_file(path) a
data file and refine_files(paths, jobs=N) a series of them; each run gives a Result.
pressure(volume, scale=...) gives a calibrant's pressure, scales() lists the scales,
fit_eos(p, sigma_p, v, sigma_v) fits an equation of state. The types are in
__init__.pyi beside this file.
"""

import functools as _functools
import types as _types_module

# The compiled part defines everything; what it offers is offered here, under this
# package's name, so that a function added there needs no line here.
from . import _zantrel
from ._zantrel import *  # noqa: F401,F403
from ._zantrel import __version__
from ._types import *  # noqa: F401,F403
from . import _types


def _by_name(function: _types_module.BuiltinFunctionType) -> object:
    """The compiled function as a Python one named zantrel.NAME.

    pickle cannot send a compiled function itself (it holds a capsule), so process
    pools and clusters could not be handed refine_file; this one pickles by its name.
    """

    @_functools.wraps(function)
    def call(*args: object, **kwargs: object) -> object:
        return function(*args, **kwargs)

    call.__module__, call.__qualname__ = __name__, function.__name__
    return call


for _name in dir(_zantrel):
    if not _name.startswith("_") and isinstance(getattr(_zantrel, _name), _types_module.BuiltinFunctionType):
        globals()[_name] = _by_name(getattr(_zantrel, _name))
del _name

__all__ = sorted(name for name in vars(_zantrel) if not name.startswith("_")) + _types.__all__
