#!/usr/bin/env bash
# Builds the library and the analysis program th10run, runs the built-in
# sample (a smooth strip footing pushed to failure) and says where its
# results are and how to look at them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default
cmake --build --preset default -j "$(nproc)" --target th10run
echo "*** built: $(ls build/lib/libth10fem.so*) and build/bin/th10run"
out="$(pwd)/build/sample"
build/bin/th10run --output "$out"
cat <<MSG

*** The sample's results are in $out:
    footing.pvd, footing_NNNN.vtu   ParaView: File > Open footing.pvd, Apply; colour by
                                    "displacement", "stress" or "yielding_share" and step
                                    through the load increments
    footing.post.msh/.post.res      GiD post-processing: open footing.post.res
    footing.csv                     load-displacement curve of the footing (footing_uz,
                                    footing_Fz: the pressure is -footing_Fz / 0.2)
    footing.png                     that curve as a picture: mean pressure over settlement,
                                    with Prandtl's limit pressure c Nc = 148.35
    footing_phase1_*.png            the deformed mesh and the plastic zone at the end
MSG
for png in "$out"/footing.png "$out"/footing_phase1_*.png; do
  if [ -f "$png" ]; then echo "*** picture: $png"; fi
done
