#!/usr/bin/env python3
"""Checks a strip-footing run against Prandtl's bearing capacity.

usage: check_footing.py RESULTS.csv PROBLEM.toml AREA LOW HIGH

The limit pressure is the largest mean footing pressure of the curve: the
vertical force on the footing nodes over the footing's AREA. Prandtl's value
for a smooth strip on weightless soil without surcharge is c Nc with
Nc = (Nq - 1) cot(phi), Nq = exp(pi tan(phi)) tan^2(45 deg + phi/2), and
Nc = 2 + pi for phi = 0. The run passes when the ratio lies in [LOW, HIGH]
(the band the mesh justifies: a finite-element limit load lies above the
exact one, by an amount that shrinks with the mesh), the last fifth of the
settlement adds less than 0.5 % (a plateau: the footing has failed), and the
increments took at most 4.5 iterations on average, without cut-backs.
"""
import csv
import math
import sys
import tomllib

PLATEAU = 0.005
ITERATIONS = 4.5


def main(csv_path, toml_path, area, low, high):
    with open(toml_path, "rb") as f:
        problem = tomllib.load(f)
    c = problem["material"]["c"]
    phi = math.radians(problem["material"]["phi"])
    if phi == 0:
        nc = 2 + math.pi
    else:
        nq = math.exp(math.pi * math.tan(phi)) * math.tan(math.pi / 4 + phi / 2) ** 2
        nc = (nq - 1) / math.tan(phi)
    rows = list(csv.DictReader(open(csv_path)))
    pressures = [-float(r["footing_Fz"]) / area for r in rows]
    q = max(pressures)
    ratio = q / (c * nc)
    n = len(pressures)
    late = (pressures[-1] - pressures[(4 * n) // 5]) / q
    steps = rows[1:]
    iterations = sum(int(r["iterations"]) for r in steps) / len(steps)
    increments = problem["steps"]["increments"]
    print(f"limit pressure {q:.3f}; c Nc = {c * nc:.3f} (Nc = {nc:.3f}); ratio {ratio:.4f}; "
          f"gain over the last fifth {late:.2%}; {iterations:.2f} iterations per increment; "
          f"{len(steps)} increments for {increments}")
    ok = (low <= ratio <= high and late < PLATEAU and iterations <= ITERATIONS and len(steps) == increments
          and float(rows[-1]["load_factor"]) == 1.0)
    if not ok:
        print("FAILED")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4]), float(sys.argv[5])))
