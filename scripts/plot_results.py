#!/usr/bin/python3
"""Draws one curve of a th10run CSV file as a PNG picture (640 x 480 pixels).

    plot_results.py CSV PNG --x COLUMN --y COLUMN [--x-factor F] [--y-factor F]
                    [--x-label TEXT] [--y-label TEXT] [--x-unit UNIT] [--y-unit UNIT]
                    [--reference VALUE] [--reference-label TEXT] [--title TEXT]

COLUMN is a column of the CSV header (footing_uz, footing_Fz, load_factor,
srf, u, ...), or auto:NAME for the monitor NAME: its displacement and force
component (x, y or z) whose displacement ends largest, both turned so that
the curve ends positive. Each column is multiplied by its factor (a force
times 1 / area gives a mean pressure); a unit follows its axis label in
brackets. The reference is a horizontal dashed
line (a closed-form limit load, a factor of safety) with its label.

Needs Debian's python3-matplotlib; without it the script says so and ends with
exit status 2. A CSV file that cannot be read or lacks a column ends with exit
status 1 and a message naming the file and the column.
"""
import argparse
import csv
import sys

PICTURE_INCHES = (6.4, 4.8)
PICTURE_DPI = 100  # 640 x 480 pixels


def fail(status, message):
    print(f"plot_results.py: {message}", file=sys.stderr)
    sys.exit(status)


def read_columns(path):
    try:
        with open(path, newline="") as f:
            rows = list(csv.reader(f))
    except OSError as e:
        fail(1, f"{path}: cannot read the curve file ({e.strerror})")
    if not rows:
        fail(1, f"{path}: the curve file is empty")
    header, data = rows[0], rows[1:]
    if not data:
        fail(1, f"{path}: the curve file has a header but no rows")
    columns = {name: [] for name in header}
    for line, row in enumerate(data, start=2):
        if len(row) != len(header):
            fail(1, f"{path}:{line}: {len(row)} values where the header has {len(header)}")
        for name, value in zip(header, row):
            try:
                columns[name].append(float(value))
            except ValueError:
                fail(1, f"{path}:{line}: column {name}: not a number: {value!r}")
    return columns


def column(columns, path, name):
    if name not in columns:
        fail(1, f"{path}: no column {name!r} (the columns are: {', '.join(columns)})")
    return columns[name]


def with_unit(label, unit):
    return f"{label} ({unit})" if unit else label


def monitor_curve(columns, path, monitor):
    """(name, values) of the displacement and of the force of the monitor's
    component that moves most, each turned to end positive."""
    best = None
    for axis in "xyz":
        u = column(columns, path, f"{monitor}_u{axis}")
        if u and (best is None or abs(u[-1]) > abs(best[1][-1])):
            best = (axis, u, column(columns, path, f"{monitor}_F{axis}"))
    axis, u, f = best
    su = -1.0 if u and u[-1] < 0 else 1.0
    sf = -1.0 if f and f[-1] < 0 else 1.0
    sign = {1.0: "", -1.0: "\u2212"}  # a minus sign where the curve was turned
    return (f"{sign[su]}u{axis}", [su * v for v in u]), (f"{sign[sf]}F{axis}", [sf * v for v in f])


def main():
    a = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    a.add_argument("csv")
    a.add_argument("png")
    a.add_argument("--x", required=True)
    a.add_argument("--y", required=True)
    a.add_argument("--x-factor", type=float, default=1.0)
    a.add_argument("--y-factor", type=float, default=1.0)
    a.add_argument("--x-label")
    a.add_argument("--y-label")
    a.add_argument("--x-unit")
    a.add_argument("--y-unit")
    a.add_argument("--reference", type=float)
    a.add_argument("--reference-label", default="reference")
    a.add_argument("--title")
    args = a.parse_args()

    try:
        import matplotlib

        matplotlib.use("Agg")  # no display needed
        import matplotlib.pyplot as plt
    except ImportError:
        fail(2, "matplotlib is missing: install Debian's python3-matplotlib (apt-get install "
                "python3-matplotlib), or switch the pictures off")

    columns = read_columns(args.csv)
    x_label, y_label = args.x_label, args.y_label
    if args.x.startswith("auto:") or args.y.startswith("auto:"):
        monitor = (args.x if args.x.startswith("auto:") else args.y)[5:]
        (u_name, x), (f_name, y) = monitor_curve(columns, args.csv, monitor)
        x_label = x_label or f"{monitor}: displacement {u_name}"
        y_label = y_label or f"{monitor}: force {f_name}"
    else:
        x, y = column(columns, args.csv, args.x), column(columns, args.csv, args.y)
    x = [args.x_factor * v for v in x]
    y = [args.y_factor * v for v in y]

    fig, ax = plt.subplots(figsize=PICTURE_INCHES, dpi=PICTURE_DPI)
    ax.plot(x, y, "o-", markersize=3, linewidth=1.2, label="th10run")
    if args.reference is not None:
        ax.axhline(args.reference, color="tab:red", linestyle="--", linewidth=1.0,
                   label=args.reference_label)
    ax.set_xlabel(with_unit(x_label or args.x, args.x_unit))
    ax.set_ylabel(with_unit(y_label or args.y, args.y_unit))
    if args.title:
        ax.set_title(args.title)
    ax.grid(True, alpha=0.3)
    ax.legend(loc="lower right")
    fig.tight_layout()
    try:
        fig.savefig(args.png, dpi=PICTURE_DPI)
    except OSError as e:
        fail(1, f"{args.png}: cannot write the picture ({e.strerror})")
    print(f"plot_results.py: wrote {args.png}")


if __name__ == "__main__":
    main()
