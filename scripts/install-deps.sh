#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those that are missing).
set -euo pipefail

packages=(
    build-essential cmake pkg-config python3
    libglm-dev libstb-dev libboost-dev
    ocl-icd-opencl-dev opencl-headers pocl-opencl-icd clinfo
    libcairo2-dev fonts-dejavu-core nlohmann-json3-dev libopenexr-dev libcli11-dev
    libgtest-dev libbenchmark-dev
    clang libclang-rt-14-dev
    mingw-w64 binutils-mingw-w64-x86-64
    # The Windows module's tests: wine in a virtual X display; Direct3D 9 needs Mesa's GL drivers, and
    # wine's X11 driver the X extension libraries (recommended packages, so named here).
    wine64 xvfb xauth libgl1 libgl1-mesa-dri
    libxrender1 libxrandr2 libxi6 libxfixes3 libxcursor1 libxinerama1 libxcomposite1 libxxf86vm1
    # The macOS bodies under GNUstep (build-mac, cmake/MacBodies.cmake): Foundation and AppKit, the X
    # back end, the pasteboard server (gpbs, in gnustep-gui-runtime), GCC's Objective-C runtime headers
    # and the blocks runtime; clang and xvfb are named above.
    libgnustep-base-dev libgnustep-gui-dev gnustep-gui-runtime gnustep-back0.29 gnustep-back0.29-cairo
    libobjc-12-dev libblocksruntime-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: everything is installed"
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
