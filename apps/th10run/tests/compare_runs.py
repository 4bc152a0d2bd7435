#!/usr/bin/env python3
"""Compares a run of th10run over several ranks with a run on one process.

usage: compare_runs.py SERIAL PARALLEL RTOL

SERIAL and PARALLEL are the results' folder and name, FOLDER/NAME. The
load-displacement curves (FOLDER/NAME.csv) must have the same steps, load
factors and equilibrium iterations, and monitored values that agree to RTOL
of the largest displacement, or force, of any column. The last results of the .pvd
collections (one .vtu, or a .pvtu over the ranks' pieces, read with VTK)
must cover the same cells and the same points, with displacements that
agree to RTOL of the largest displacement, point by point.
"""
import csv
import os
import sys
import xml.etree.ElementTree as ET

from vtkmodules.vtkIOXML import vtkXMLPUnstructuredGridReader, vtkXMLUnstructuredGridReader

serial, parallel, rtol = sys.argv[1], sys.argv[2], float(sys.argv[3])
failures = []


def rows(results):
    with open(results + ".csv") as f:
        return list(csv.DictReader(f))


def last_result(results):
    sets = ET.parse(results + ".pvd").getroot().iter("DataSet")
    path = os.path.join(os.path.dirname(results), list(sets)[-1].get("file"))
    reader = vtkXMLPUnstructuredGridReader() if path.endswith(".pvtu") else vtkXMLUnstructuredGridReader()
    reader.SetFileName(path)
    reader.Update()
    grid = reader.GetOutput()
    u = grid.GetPointData().GetArray("displacement")
    # Pieces repeat the points they share: one displacement per place.
    by_place = {}
    for i in range(grid.GetNumberOfPoints()):
        by_place[tuple(round(c, 9) for c in grid.GetPoint(i))] = u.GetTuple3(i)
    return grid.GetNumberOfCells(), by_place


a, b = rows(serial), rows(parallel)
if len(a) != len(b):
    failures.append(f"{len(a)} steps on one process, {len(b)} over the ranks")
def kind(column):  # "footing_uz" -> "u", "footing_Fz" -> "F"
    return column.rsplit("_", 1)[-1][0]


monitored = [c for c in (a[0].keys() if a else []) if c not in ("step", "phase", "load_factor", "iterations", "residual")]
scale = {}
for column in monitored:
    scale[kind(column)] = max([scale.get(kind(column), 1e-300)] + [abs(float(r[column])) for r in a])
for column in ("step", "phase", "load_factor", "iterations"):
    x, y = [r[column] for r in a], [r[column] for r in b]
    if x != y:
        failures.append(f"{column} differs: {x} against {y}")
for column in monitored:
    worst = max(abs(float(p[column]) - float(q[column])) for p, q in zip(a, b))
    if worst > rtol * scale[kind(column)]:
        failures.append(f"{column}: differs by {worst:.3e} (of {scale[kind(column)]:.3e})")

cells_a, points_a = last_result(serial)
cells_b, points_b = last_result(parallel)
if cells_a != cells_b or points_a.keys() != points_b.keys():
    failures.append(f"the meshes differ: {cells_a} and {cells_b} cells, {len(points_a)} and {len(points_b)} points")
else:
    scale = max(max(abs(c) for c in d) for d in points_a.values())
    worst = max(max(abs(p - q) for p, q in zip(points_a[k], points_b[k])) for k in points_a)
    if worst > rtol * scale:
        failures.append(f"displacements differ by {worst:.3e} (of {scale:.3e})")

for f in failures:
    print("FAIL:", f)
print(f"{parallel}: {len(a)} steps, {cells_a} cells compared: {'failed' if failures else 'the same'} to {rtol:g}")
sys.exit(1 if failures else 0)
