#!/usr/bin/env bash
# Runs the Windows module's tests under wine, in one X display (xvfb-run) and one wine prefix for the
# whole run (made under BUILD/wine/ on first use: about 15 s, 700 MB):
#   scripts/test-windows.sh [BUILD]        (BUILD: the Windows cross build, build-win by default)
# Configure BUILD with -DMRPH_LINUX_BUILD=<the Linux build> to compare the Windows frames with the
# Linux module's as well.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-win}"
jobs="${MRPH_JOBS:-$(nproc)}"
[ -x "$build/morphalith_win_tests.exe" ] || { echo "test-windows: build $build first" >&2; exit 1; }
build="$(cd "$build" && pwd)"

export MRPH_BUILD="$build" MRPH_JOBS_USED="$jobs"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -u
    start=$SECONDS
    # Listing the tests makes the prefix when there is none, before any test is timed.
    scripts/wine-run.sh "$MRPH_BUILD/morphalith_win_tests.exe" --gtest_list_tests >/dev/null
    echo "test-windows: wine prefix ready after $((SECONDS - start)) s"
    ctest --test-dir "$MRPH_BUILD" -j"$MRPH_JOBS_USED" --output-on-failure --timeout 900
    status=$?
    # Let the wine session end while its display is still there.
    WINEPREFIX="$MRPH_BUILD/wine/prefix" /usr/lib/wine/wineserver -w
    echo "test-windows: $((SECONDS - start)) s in all"
    exit $status'
