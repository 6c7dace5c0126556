#!/usr/bin/env bash
# Runs a program of the Windows cross build under wine, in the build's own wine prefix:
#   scripts/wine-run.sh build-win/morphalith_win_tests.exe [ARGS...]
# The prefix and a home folder for it live in <folder of the program>/wine/ (or $MRPH_WINE_DIR); the
# prefix is made on first use (about 15 s, 700 MB). Programs that show windows need an X display, the
# same one for every program of a run (wine's desktop stays with the first): run the tests through
# scripts/test-windows.sh, which provides it.
set -euo pipefail
program="${1:?usage: wine-run.sh PROGRAM.exe [ARGS...]}"
shift

wine_dir="${MRPH_WINE_DIR:-$(cd "$(dirname "$program")" && pwd)/wine}"
wine="${MRPH_WINE:-/usr/lib/wine/wine64}"
export WINEPREFIX="$wine_dir/prefix"
# The prefix links the Windows desktop to $HOME/Desktop: keep both inside the build.
export HOME="$wine_dir/home"
export WINEDEBUG="${WINEDEBUG:--all}"

if [ -z "${DISPLAY:-}" ]; then
    echo "wine-run: no X display; run the wine tests under xvfb-run (scripts/test-windows.sh does)" >&2
    exit 1
fi

mkdir -p "$HOME/Desktop"
if [ ! -f "$wine_dir/prefix-ready" ]; then
    # Made once, by whichever program comes first; the others wait for it.
    exec 9>"$wine_dir/prefix.lock"
    flock 9
    if [ ! -f "$wine_dir/prefix-ready" ]; then
        # No Mono or Gecko: nothing here needs them, and their installers would ask.
        WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot --init >/dev/null 2>&1
        # Windows live on one virtual desktop: with no window manager on the display, wine would wait
        # up to 2 s for each closed window to be withdrawn.
        "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
        # The session that made the prefix ends, so the next program starts with the desktop set.
        "$(dirname "$wine")/wineserver" -w
        touch "$wine_dir/prefix-ready"
    fi
    flock -u 9
fi
exec "$wine" "$program" "$@"
