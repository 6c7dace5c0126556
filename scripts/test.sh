#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test:
#   1. the suite in a Release build (ctest);
#   2. the effect's custom drawing written for people to look at: out/panel.png (the effect panel of
#      examples/panel.json with a strip button under the mouse) and out/hint.png (its composition window
#      with the hint): about 2 s;
#   3. the suite again under AddressSanitizer and UndefinedBehaviorSanitizer;
#   4. the Windows cross build of Morphalith.aex, with its exports and resources checked, and its tests
#      under wine (the module loaded and driven by the Windows test host, its frames compared with the
#      Linux module's): about 25 s, the wine prefix included, after a cross build of about 1.5 min.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"

./scripts/install-deps.sh

echo "== build and test =="
# The main build is a Release build (-O3), the sanitizer build below a Debug one: both optimisation
# extremes compile with warnings as errors on every run.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure --timeout 600

echo "== the effect's custom drawing: out/panel.png and out/hint.png =="
mkdir -p out
# The example copies and pastes a slot: its clipboard stays in a runtime folder of this run's own.
clipboard="$(mktemp -d)"
# The module's log goes to a file, shown when a drawing fails.
draw() {
    XDG_RUNTIME_DIR="$clipboard" build/morphalith-host "$@" 2> out/drawing.log \
        || { cat out/drawing.log; rm -rf "$clipboard"; exit 1; }
    tail -n 1 out/drawing.log
}
draw panel examples/panel.json -o out/panel.png --hover 2:paste
draw comp-hint examples/panel.json -o out/hint.png
rm -rf "$clipboard" out/drawing.log

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DMRPH_SANITIZE=ON -DMRPH_BUILD_BENCH=OFF
cmake --build build-asan -j"$jobs"
# The OpenCL runtime (PoCL and its LLVM) keeps allocations for the life of the process; our own leaks
# would still show in the tests that do not touch OpenCL.
ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir build-asan -j"$jobs" --output-on-failure --timeout 900

echo "== Windows cross build =="
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DMRPH_LINUX_BUILD="$PWD/build"
cmake --build build-win -j"$jobs"
./scripts/check-windows-module.sh build-win/Morphalith.aex

echo "== Windows module under wine =="
./scripts/test-windows.sh build-win
