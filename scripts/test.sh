#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test:
#   1. the suite in a Release build (ctest), the CUDA path on the driver stand-in included (nvcc makes the
#      kernel's fat binary for five architectures: about 1 min of the build);
#   2. the effect's custom drawing written for people to look at: out/panel.png (the effect panel of
#      examples/panel.json with a strip button under the mouse) and out/hint.png (its composition window
#      with the hint): about 2 s;
#   3. the suite again under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer;
#   4. the render stress test under ThreadSanitizer, its CUDA frames on the driver stand-in while the
#      panel changes "Environment Map" (about 1 min to build, seconds to run);
#   5. each libFuzzer target for a minute (about 40 s to build with clang, then 60 s a target: the
#      stored sequence data, scene files and clipboard payloads);
#   6. the Windows cross build of Morphalith.aex, with its exports and resources checked, and its tests
#      under wine (the module loaded and driven by the Windows test host, its OpenCL frames compared with
#      the Linux module's, its CUDA frames on the nvcuda.dll stand-in with OpenCL's): about 35 s, the
#      wine prefix included, after a cross build of about 1.5 min.
#   7. the macOS bodies under GNUstep: the module built with platform/mac/ by clang (build-mac), and
#      its tests in a virtual X display (debug window, pasteboard, machine information, frames through
#      OpenCL and Metal, 16 tests, each in a process of its own): about 70 s to build (measured with
#      -j4), then 6 to 8 s for the tests on an idle machine.
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

# The other builds take the CUDA kernel images the main build compiled (where it had the toolkit) rather
# than run nvcc again: the device code does not depend on the host build's flags or system.
prebuilt=()
if [ -f build/kernels/generated/Morphalith_Kernel.fatbin ]; then
    export MRPH_CUDA_PREBUILT="$PWD/build/kernels/generated"
    prebuilt=(-DMRPH_CUDA_PREBUILT="$MRPH_CUDA_PREBUILT")
fi

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DMRPH_SANITIZE=ON -DMRPH_BUILD_BENCH=OFF "${prebuilt[@]}"
cmake --build build-asan -j"$jobs"
# Leaks are errors, except the OpenCL runtime's own allocations (scripts/lsan-opencl.supp). use_tls=0:
# LeakSanitizer (GCC 12) crashes reading the thread-local block of a module that was unloaded; leaving
# thread-local storage out of its roots can only report more, never hide a leak.
LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-opencl.supp:print_suppressions=0:use_tls=0" \
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir build-asan -j"$jobs" --output-on-failure --timeout 900

echo "== render stress test under ThreadSanitizer =="
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMRPH_TSAN=ON -DMRPH_BUILD_BENCH=OFF "${prebuilt[@]}"
cmake --build build-tsan -j"$jobs" --target morphalith_stress_tests
# Its CUDA frames go through the driver stand-in (where the build has the CUDA toolkit).
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" LD_LIBRARY_PATH="$PWD/build-tsan/standin/cuda" \
    build-tsan/tests/morphalith_stress_tests

echo "== fuzzers, a minute each (longer: scripts/fuzz.sh SECONDS [TARGET]) =="
./scripts/fuzz.sh 60

echo "== Windows cross build =="
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DMRPH_LINUX_BUILD="$PWD/build" "${prebuilt[@]}"
cmake --build build-win -j"$jobs"
./scripts/check-windows-module.sh build-win/Morphalith.aex

echo "== Windows module under wine =="
./scripts/test-windows.sh build-win

echo "== macOS bodies under GNUstep =="
cmake -S . -B build-mac -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DMRPH_PLATFORM_BODIES=mac -DMRPH_BUILD_BENCH=OFF
cmake --build build-mac -j"$jobs" --target morphalith_mac_tests
xvfb-run -a ctest --test-dir build-mac -j"$jobs" --output-on-failure --timeout 300
