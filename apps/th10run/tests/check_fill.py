#!/usr/bin/env python3
"""Checks the settlement of examples/embankment/fill_layers.toml.

usage: check_fill.py FOLDER

Three 1-m layers of fill (unit weight 20) on 10 m of elastic clay between
rollers: the clay's surface (z = 10) settles by q H / M, q = 60 the fill's
weight and M = E (1 - nu) / ((1 + nu) (1 - 2 nu)) the constrained modulus.
"""
import glob
import os
import sys

from vtkmodules.vtkIOXML import vtkXMLUnstructuredGridReader

E, NU, Q, H = 5000.0, 0.3, 60.0, 10.0


def main(folder):
    last = sorted(glob.glob(os.path.join(folder, "fill_layers_*.vtu")))[-1]
    reader = vtkXMLUnstructuredGridReader()
    reader.SetFileName(last)
    reader.Update()
    g = reader.GetOutput()
    u = g.GetPointData().GetArray("displacement")
    surface = [u.GetComponent(i, 2) for i in range(g.GetNumberOfPoints()) if abs(g.GetPoint(i)[2] - H) < 1e-9]
    expected = -Q * H * (1 + NU) * (1 - 2 * NU) / (E * (1 - NU))
    bad = [w for w in surface if abs(w - expected) > 1e-9 * abs(expected)]
    print(f"{os.path.basename(last)}: {len(surface)} surface nodes settle {surface[0] if surface else None}, "
          f"expected {expected}")
    return 1 if not surface or bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
