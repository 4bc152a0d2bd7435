#!/usr/bin/python3
"""Checks of the pictures th10run draws.

    check_pictures.py png WIDTH HEIGHT FILE...
        every FILE (glob patterns allowed) is a PNG image of WIDTH x HEIGHT
        pixels: the signature, an IHDR chunk with that size and an IEND chunk;
    check_pictures.py no-matplotlib SCRIPT
        SCRIPT (plot_results.py) run by a Python that cannot import matplotlib
        (python3 -S: no site packages) ends with exit status 2 and a message
        naming python3-matplotlib, and writes no picture.
"""
import glob
import os
import struct
import subprocess
import sys
import tempfile
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def chunks(data):
    """(type, body) of each chunk after the signature, CRCs checked."""
    at = len(PNG_SIGNATURE)
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise ValueError(f"chunk {kind!r} has a wrong CRC")
        yield kind, body
        at += 12 + length


def check_png(path, width, height):
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(PNG_SIGNATURE):
        return f"{path}: not a PNG file"
    try:
        found = list(chunks(data))
    except (ValueError, struct.error) as e:
        return f"{path}: broken PNG ({e})"
    if not found or found[0][0] != b"IHDR" or found[-1][0] != b"IEND":
        return f"{path}: a PNG must start with IHDR and end with IEND"
    w, h = struct.unpack(">II", found[0][1][:8])
    if (w, h) != (width, height):
        return f"{path}: {w} x {h} pixels, expected {width} x {height}"
    if not any(kind == b"IDAT" for kind, _ in found):
        return f"{path}: no image data"
    return None


def check_missing_library(script):
    with tempfile.TemporaryDirectory() as tmp:
        curve = os.path.join(tmp, "curve.csv")
        picture = os.path.join(tmp, "curve.png")
        with open(curve, "w") as f:
            f.write("step,load_factor\n0,0\n1,1\n")
        run = subprocess.run([sys.executable, "-S", script, curve, picture, "--x", "step", "--y", "load_factor"],
                             capture_output=True, text=True)
        if run.returncode != 2:
            return f"{script} without matplotlib: exit status {run.returncode}, expected 2\n{run.stderr}"
        if "python3-matplotlib" not in run.stderr:
            return f"{script} without matplotlib does not name python3-matplotlib: {run.stderr!r}"
        if os.path.exists(picture):
            return f"{script} without matplotlib wrote a picture"
    return None


def main():
    if len(sys.argv) >= 5 and sys.argv[1] == "png":
        width, height = int(sys.argv[2]), int(sys.argv[3])
        files = [f for pattern in sys.argv[4:] for f in sorted(glob.glob(pattern))]
        if not files:
            print(f"no file matches {' '.join(sys.argv[4:])}")
            sys.exit(1)
        errors = [e for e in (check_png(f, width, height) for f in files) if e]
        for f in files:
            print(f"{f}: {'bad' if any(e.startswith(f + ':') for e in errors) else 'ok'}")
    elif len(sys.argv) == 3 and sys.argv[1] == "no-matplotlib":
        errors = [e for e in [check_missing_library(sys.argv[2])] if e]
    else:
        print(__doc__)
        sys.exit(2)
    for e in errors:
        print(e)
    sys.exit(1 if errors else 0)


if __name__ == "__main__":
    main()
