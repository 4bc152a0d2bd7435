#!/usr/bin/env python3
"""Reads back th10run's ParaView files with VTK and checks them.

usage: check_vtu.py CASE FOLDER      (CASE: bar or footing)

For every file of the .pvd collection: quadratic tetrahedra (cell type 24)
with ten points each, positive volumes that add up to the volume of the body,
mid-edge points halfway along VTK's edges (VTK's node order), and the point
and cell arrays. For the elastic bar, the values against the closed form.
"""
import glob
import math
import os
import sys
import xml.etree.ElementTree as ET

from vtkmodules.vtkCommonDataModel import VTK_QUADRATIC_TETRA
from vtkmodules.vtkFiltersVerdict import vtkCellSizeFilter
from vtkmodules.vtkIOXML import vtkXMLUnstructuredGridReader

EDGES = [(0, 1), (1, 2), (2, 0), (0, 3), (1, 3), (2, 3)]
VOLUME = {"bar": 2.0, "footing": 5.0 * 0.2 * 4.0}
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)


def read(path):
    r = vtkXMLUnstructuredGridReader()
    r.SetFileName(path)
    r.Update()
    return r.GetOutput()


def check_grid(g, name, case):
    n_cells = g.GetNumberOfCells()
    check(n_cells > 0 and g.GetNumberOfPoints() > 0, f"{name}: empty")
    pts = g.GetPoints()
    for c in range(n_cells):
        check(g.GetCellType(c) == VTK_QUADRATIC_TETRA, f"{name}: cell {c} is not type 24")
        ids = g.GetCell(c).GetPointIds()
        check(ids.GetNumberOfIds() == 10, f"{name}: cell {c} has {ids.GetNumberOfIds()} points")
        x = [pts.GetPoint(ids.GetId(k)) for k in range(10)]
        for k, (a, b) in enumerate(EDGES):
            mid = [(x[a][d] + x[b][d]) / 2 for d in range(3)]
            check(max(abs(mid[d] - x[4 + k][d]) for d in range(3)) < 1e-9, f"{name}: cell {c} edge {k} order")
    sizes = vtkCellSizeFilter()
    sizes.SetInputData(g)
    sizes.ComputeVolumeOn()
    sizes.Update()
    vol = sizes.GetOutput().GetCellData().GetArray("Volume")
    vols = [vol.GetValue(c) for c in range(n_cells)]
    check(min(vols) > 0, f"{name}: a cell has a non-positive volume")
    check(abs(sum(vols) - VOLUME[case]) < 1e-9 * VOLUME[case], f"{name}: volume {sum(vols)}")
    pd, cd = g.GetPointData(), g.GetCellData()
    for a, comps in (("displacement", 3), ("force", 3)):
        arr = pd.GetArray(a)
        check(arr is not None and arr.GetNumberOfComponents() == comps, f"{name}: point array {a}")
    for a, comps in (("stress", 6), ("strain", 6), ("friction_angle", 1), ("yield_value", 1),
                     ("yielding_share", 1)):
        arr = cd.GetArray(a)
        check(arr is not None and arr.GetNumberOfComponents() == comps and arr.GetNumberOfTuples() == n_cells,
              f"{name}: cell array {a}")


def check_bar(g, name):
    # sig_x = 100, u = (sig/E x, -nu sig/E y, -nu sig/E z), E = 1e5, nu = 0.25.
    e, nu, sig = 1e5, 0.25, 100.0
    u = g.GetPointData().GetArray("displacement")
    for i in range(g.GetNumberOfPoints()):
        x, y, z = g.GetPoint(i)
        exact = (sig / e * x, -nu * sig / e * y, -nu * sig / e * z)
        check(max(abs(u.GetComponent(i, d) - exact[d]) for d in range(3)) < 1e-12, f"{name}: u at point {i}")
    s = g.GetCellData().GetArray("stress")
    strain = g.GetCellData().GetArray("strain")
    phi = g.GetCellData().GetArray("friction_angle")
    for c in range(g.GetNumberOfCells()):
        check(abs(s.GetComponent(c, 0) - sig) < 1e-9 and all(abs(s.GetComponent(c, k)) < 1e-9 for k in range(1, 6)),
              f"{name}: stress of cell {c}")
        check(abs(strain.GetComponent(c, 0) - sig / e) < 1e-14, f"{name}: strain of cell {c}")
        # Tension mobilises no angle below 45 degrees: the upper bound holds.
        check(abs(phi.GetValue(c) - 45.0) < 1e-9, f"{name}: friction angle of cell {c}")


def check_bar_curve(folder):
    # The end face of the bar (x = 2) moves by sig/E * 2 and carries the load
    # sig * area = 100; the curve's last row says so.
    import csv
    rows = list(csv.DictReader(open(os.path.join(folder, "bar.csv"))))
    last = rows[-1]
    check(abs(float(last["end_ux"]) - 0.002) < 1e-12, f"bar.csv: end_ux {last['end_ux']}")
    check(abs(float(last["end_Fx"]) - 100.0) < 1e-9, f"bar.csv: end_Fx {last['end_Fx']}")
    check(float(last["load_factor"]) == 1.0 and len(rows) == 2, "bar.csv: rows")


def main(case, folder):
    pvds = glob.glob(os.path.join(folder, "*.pvd"))
    check(len(pvds) == 1, f"one .pvd expected in {folder}")
    if failures:
        return report()
    sets = ET.parse(pvds[0]).getroot().findall("./Collection/DataSet")
    steps = [float(d.get("timestep")) for d in sets]
    check(len(sets) >= 2 and steps[0] == 0.0 and steps[-1] == 1.0, "pvd: load factors from 0 to 1")
    check(all(a < b for a, b in zip(steps, steps[1:])), "pvd: load factors increase")
    files = [os.path.join(folder, d.get("file")) for d in sets]
    for f in files:
        check(os.path.exists(f), f"{f} missing")
    # The whole check on the first and last files, the counts on all.
    first = read(files[0])
    for f in files:
        g = read(f)
        check(g.GetNumberOfPoints() == first.GetNumberOfPoints() and g.GetNumberOfCells() == first.GetNumberOfCells(),
              f"{f}: counts differ")
    for f in (files[0], files[-1]):
        check_grid(read(f), os.path.basename(f), case)
    last = read(files[-1])
    if case == "bar":
        check_bar(last, os.path.basename(files[-1]))
        check_bar_curve(folder)
    else:
        # The footing nodes settle by the prescribed amount at load factor 1.
        u = last.GetPointData().GetArray("displacement")
        top = [i for i in range(last.GetNumberOfPoints())
               if last.GetPoint(i)[0] <= 1.0 + 1e-9 and abs(last.GetPoint(i)[2] - 4.0) < 1e-9]
        check(len(top) > 0 and all(abs(u.GetComponent(i, 2) + 0.1) < 1e-12 for i in top), "footing settlement")
        phi = last.GetCellData().GetArray("friction_angle")
        check(min(phi.GetValue(c) for c in range(last.GetNumberOfCells())) >= 20.0 - 1e-9, "friction angle >= 20")
    print(f"{case}: {len(files)} VTU files checked, {first.GetNumberOfCells()} cells, "
          f"{first.GetNumberOfPoints()} points")
    return report()


def report():
    for f in failures[:20]:
        print("FAILED:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
