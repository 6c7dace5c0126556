#!/usr/bin/env bash
# Installs what is missing, builds the module and the stand-in host (the tests, benchmarks and the CUDA
# check come with ./scripts/test.sh), and runs the main job: the stand-in host loads the module and
# renders the built-in default scene through OpenCL to out/default.png (pass a scene file, and any
# other render options, to render that instead).
#
# The build's progress shows on the terminal; its whole log is kept in build/run-build.log.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
mkdir -p build
log=build/run-build.log
echo "== build the module and the host (log: $log) =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release > "$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build build -j"$(nproc)" --target Morphalith morphalith-host 2>&1 | tee -a "$log"
mkdir -p out
./build/morphalith-host render "$@" -o out/default.png
