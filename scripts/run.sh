#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: the host loads the module and reports it.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > build.log 2>&1 || { cat build.log; exit 1; }
cmake --build build -j"$(nproc)" >> build.log 2>&1 || { tail -n 60 build.log; exit 1; }
./build/morphalith-host info "$@"
