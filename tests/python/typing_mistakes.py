"""What the types must allow, and the mistakes they must catch (each marked line)."""

import pathlib

import zantrel

r = zantrel.refine_file(pathlib.Path("si.dat"), system="Cubic", minimise="Q", data="2THETA")
twice: float = r.cell.a * 2 + r.sigmas.a
angle: float = r.sigmas.beta * 2  # mistake
zantrel.refine_file("si.dat", minimise="chi")  # mistake
zantrel.refine_file("si.dat", system="cubics")  # mistake
zantrel.refine_file("si.dat", system=7)  # mistake
zantrel.refine([[1, 1, 1]], [28.4], system=1, zero_shift=True)
zantrel.refine([[1, 1, 1]], [28.4])  # mistake
row = r.as_row()
edge: float = row["a"] + row["volume"]
sigma_alpha: float = row["sigma_alpha"]  # mistake
row["no_such_column"]  # mistake
h_indices = r.reflections["h"].astype(int)
for item in zantrel.refine_files(["a.dat", pathlib.Path("b.dat")], jobs=2, system="hexagonal"):
    item.cell  # mistake
    if isinstance(item, zantrel.Result):
        volume: float = item.cell.volume
system: zantrel.CrystalSystem = r.system
zantrel.fit_eos([1.0], [0.1], [60.0], [0.0], form="BM3")  # mistake
