#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: the stand-in host loads the module and
# renders the built-in default scene through OpenCL to out/default.png (pass a scene file to render that).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > build.log 2>&1 || { cat build.log; exit 1; }
cmake --build build -j"$(nproc)" >> build.log 2>&1 || { tail -n 60 build.log; exit 1; }
mkdir -p out
./build/morphalith-host render "$@" -o out/default.png
