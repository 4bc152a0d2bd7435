#!/usr/bin/env python3
"""Checks the strip-footing sample against Prandtl's bearing capacity.

usage: check_footing.py RESULTS.csv PROBLEM.toml

The limit pressure is the largest mean footing pressure of the curve: the
vertical force on the footing nodes over the footing area. Prandtl's value for
a smooth strip on weightless soil without surcharge is c Nc with
Nc = (Nq - 1) cot(phi), Nq = exp(pi tan(phi)) tan^2(45 deg + phi/2).
"""
import csv
import math
import sys
import tomllib

# Accepted ratio of the limit pressure to c Nc. The coarse mesh (16 x 10
# cells) and the friction angle that the material model lets rise above its
# lower bound where the integrated stress ends outside the yield surface put
# the limit a little above c Nc (about 1.11 for the shipped sample, 1.04 on a mesh of 24 x 15 cells); below 1,
# or above 1.2, something is wrong: a lost load, a wrong area, a missing
# support, a model that does not yield.
LOW, HIGH = 1.0, 1.20
# Failure: the last fifth of the settlement adds less than this share of the
# pressure (the elastic slope would add about a third).
PLATEAU = 0.05


def main(csv_path, toml_path):
    with open(toml_path, "rb") as f:
        problem = tomllib.load(f)
    c = problem["material"]["c"]
    phi = math.radians(problem["material"]["phi"])
    footing = problem["displacement"][0]
    (x0, y0, _), (x1, y1, _) = footing["box"]
    area = (x1 - x0) * (y1 - y0)
    nq = math.exp(math.pi * math.tan(phi)) * math.tan(math.pi / 4 + phi / 2) ** 2
    nc = (nq - 1) / math.tan(phi)
    rows = list(csv.DictReader(open(csv_path)))
    pressures = [-float(r["footing_Fz"]) / area for r in rows]
    settlements = [-float(r["footing_uz"]) for r in rows]
    q = max(pressures)
    ratio = q / (c * nc)
    print(f"limit pressure {q:.3f} at settlement {settlements[pressures.index(q)]:.4f}; "
          f"c Nc = {c * nc:.3f} (Nc = {nc:.3f}); ratio {ratio:.4f}")
    # The last fifth of the settlement adds little: the footing has failed.
    n = len(pressures)
    late = pressures[-1] - pressures[(4 * n) // 5]
    print(f"pressure gain over the last fifth of the settlement: {late / q:.2%}")
    ok = LOW <= ratio <= HIGH and late / q < PLATEAU and float(rows[-1]["load_factor"]) == 1.0
    if not ok:
        print(f"FAILED: ratio {ratio:.4f} outside [{LOW}, {HIGH}] or no plateau")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
