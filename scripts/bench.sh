#!/usr/bin/env bash
# Installs what is missing, builds, and runs the render benchmark: the pre-render of the eleven-slot
# scene, then whole frames of the production scene (bench/scenes/production.json) at 1920x1080 and
# 640x360 by the module's bounded renderer and by the reference renderer, with kernel and frame
# times, pixel rate, scene-distance queries per pixel, their ratios and the largest pixel difference.
# Arguments go to the benchmark (--frames N, --size WxH, ...; --help lists them). About 4 minutes on
# 8 cores with the defaults, most of it the reference renderer at 1920x1080.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
mkdir -p build
log=build/bench-build.log
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build build -j"$(nproc)" --target morphalith_render_bench >> "$log" 2>&1 || { tail -n 60 "$log"; exit 1; }
./build/bench/morphalith_render_bench "$@"
