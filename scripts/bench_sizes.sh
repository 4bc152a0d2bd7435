#!/usr/bin/env bash
# Wall time and peak memory of th10run against element count: the square
# footing of examples/large/footing3d.toml meshed with more or fewer cells
# (about 1k, 5k, 20k and 100k elements), elasto-plastic to collapse.
#
#   bash scripts/bench_sizes.sh [SIZES...]     # default: 1k 5k 20k
#   bash scripts/bench_sizes.sh 1k 5k 20k 100k # the 100k mesh needs ~12 GB and long
#
# Prints one table row per size: elements, degrees of freedom, increments,
# iterations, wall time, the split of the program's time, peak memory.
# Set THREADS to fix the thread count (default: every core).
set -euo pipefail
cd "$(dirname "$0")/.."
program=build/bin/th10run
[ -x "$program" ] || { echo "build first: cmake --preset default && cmake --build --preset default"; exit 1; }
work=$(mktemp -d /tmp/th10run-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
declare -A cells=([1k]="6, 6, 5" [5k]="10, 10, 8" [20k]="15, 15, 15" [100k]="26, 26, 25")
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1k 5k 20k)
printf "| elements | dofs | increments | iterations | wall s | library s | assembly s | factorisation s | solution s | peak MB |\n"
printf "|---|---|---|---|---|---|---|---|---|---|\n"
for s in "${sizes[@]}"; do
  sed -e "s/^cells = .*/cells = [${cells[$s]}]/" -e 's/^every = .*/every = 1000/' \
    examples/large/footing3d.toml > "$work/footing3d_$s.toml"
  /usr/bin/time -v "$program" "$work/footing3d_$s.toml" --output "$work/out_$s" --quiet \
    ${THREADS:+--threads $THREADS} > "$work/log_$s" 2> "$work/time_$s" || true
  python3 - "$work/log_$s" "$work/time_$s" <<'PY'
import re, sys
log, tv = open(sys.argv[1]).read(), open(sys.argv[2]).read()
mesh = re.search(r"mesh: (\d+) nodes, (\d+) elements, (\d+) degrees", log)
done = re.search(r"\*\*\* (?:done|stopped early): (\d+) increments, (\d+) iterations", log)
t = re.search(r"library ([\d.]+) s .*assembly ([\d.]+) s, factorisation ([\d.]+) s, solution ([\d.]+) s", log)
wall = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (?:(\d+):)?(\d+):([\d.]+)", tv)
mem = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", tv).group(1))
secs = float(wall.group(1) or 0) * 3600 + float(wall.group(2)) * 60 + float(wall.group(3))
print(f"| {mesh.group(2)} | {mesh.group(3)} | {done.group(1)} | {done.group(2)} | {secs:.1f} | "
      f"{t.group(1)} | {t.group(2)} | {t.group(3)} | {t.group(4)} | {mem // 1024} |")
PY
done
