#!/usr/bin/env bash
# cuda_check.sh — the CUDA render path checked on a machine with a CUDA GPU.
#
# Such a machine need not have any of the project's packages, nor a network: the binaries are built on
# the development machine, stripped, and travel with every shared library they load, the C library and
# its loader included (the GPU machine's own driver, libcuda, is the only library taken from it).
#
#   bench/cuda_check.sh pack
#       On the development machine (nvcc required). Builds build-cuda-check/ (Release), strips the test
#       binary, the check tool and the two modules (the bounded renderer's and the reference one's),
#       copies what ldd lists into build-cuda-check/lib, writes ptxas's register and stack figures of
#       both kernels for sm_90, and prints the paths to bring along and their size (under 64 MiB).
#
#   bench/cuda_check.sh run
#       On the GPU machine, at the root of a copy of this repository holding those paths. Runs the CUDA
#       tests on the machine's driver (those that skip without a device run for real here; those that
#       need the driver stand-in skip), then renders the production scene at 1920x1080 through the
#       module and through the reference module, and the reflections example (an environment map) at
#       1280x720, each on CUDA and through the C++ form of the kernel on the same block, printing frame
#       and kernel times and the largest pixel difference. About three minutes; the C++ form takes most
#       of it. The reports and images go to $OUT when it is set, else to build-cuda-check/report. Exit
#       status 0 when the tests pass and every frame matches (see bench/cuda_check.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-cuda-check
module="$dir/Morphalith.plugin/Contents/Linux/Morphalith"
reference="$dir/reference/Morphalith.plugin/Contents/Linux/Morphalith"
reference_image="$dir/kernels/generated/Morphalith_Kernel_REFERENCE.fatbin"
carried=("$dir/Morphalith.plugin" "$dir/reference/Morphalith.plugin" "$reference_image" "$dir/tests/morphalith_tests"
         "$dir/bench/morphalith_cuda_check" "$dir/lib")
limit=$((64 * 1024 * 1024))

pack() {
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMRPH_WITH_CUDA=ON -DMRPH_BUILD_TESTS=ON -DMRPH_BUILD_BENCH=ON
    cmake --build "$dir" -j"${JOBS:-4}" --target Morphalith Morphalith_Reference morphalith_tests morphalith_cuda_check
    local binaries=("$dir/tests/morphalith_tests" "$dir/bench/morphalith_cuda_check" "$module" "$reference")
    strip --strip-unneeded "${binaries[@]}"

    rm -rf "$dir/lib"
    mkdir -p "$dir/lib"
    # Everything the binaries load, and the whole C library: the driver is older than our C library
    # and asks for its parts (libdl, librt, libpthread) by name.
    {
        for bin in "${binaries[@]}"; do ldd "$bin" | awk '$2 == "=>" && $3 ~ /^\// {print $3} $1 ~ /^\// {print $1}'; done
        for name in libc.so.6 libm.so.6 libdl.so.2 librt.so.1 libpthread.so.0; do echo "/lib/x86_64-linux-gnu/$name"; done
        echo /lib64/ld-linux-x86-64.so.2
    } | sort -u | while read -r lib; do cp -L "$lib" "$dir/lib/"; done
    # The binaries name the files they read (the module, test data, scenes) by this machine's paths.
    pwd > "$dir/lib/BUILD_ROOT"
    # What ptxas makes of MainKernel, bounded and reference, per thread (the fat binary keeps no figures).
    local nvcc
    nvcc="$(command -v nvcc || echo /usr/local/cuda/bin/nvcc)"
    for form in 0 1; do
        echo "== MainKernel, $([ "$form" -eq 0 ] && echo bounded || echo reference) renderer, sm_90:"
        "$nvcc" --cubin -O3 -std=c++17 -arch=sm_90 -Xptxas -v -DMRPH_REFERENCE_PATH=$form -Ikernels -Isdk \
            kernels/Morphalith_Kernel_CUDA.cu -o /dev/null 2>&1 | grep -A3 "entry function 'MainKernel'" | tail -2
    done > "$dir/lib/ptxas.txt"
    cat "$dir/lib/ptxas.txt"

    local size
    size=$(du -scbL "${carried[@]}" | tail -1 | cut -f1)
    echo "== bring along (relative to the repository root), $((size / 1024 / 1024)) MiB in all:"
    printf '   %s\n' "${carried[@]}"
    echo "== then, there: bash bench/cuda_check.sh run"
    if [ "$size" -ge "$limit" ]; then
        echo "cuda_check.sh: the binaries and libraries exceed 64 MiB" >&2
        exit 1
    fi
}

run() {
    for path in "${carried[@]}"; do
        if [ ! -e "$path" ]; then
            echo "cuda_check.sh: $path is missing: run 'bench/cuda_check.sh pack' on the development machine" >&2
            exit 2
        fi
    done
    local lib="$PWD/$dir/lib" out="${OUT:-$PWD/$dir/report}" root status=0
    mkdir -p "$out/production" "$out/reflections"

    # Make the development machine's repository path lead here, where it does not exist.
    root="$(cat "$lib/BUILD_ROOT")"
    if [ "$root" != "$PWD" ] && [ ! -e "$root" ]; then
        mkdir -p "$(dirname "$root")" 2>/dev/null && ln -s "$PWD" "$root" ||
            echo "cuda_check.sh: cannot link $root to here; tests that read files by path may fail" >&2
    fi
    export MORPHALITH_MODULE="$PWD/$module"

    # Our loader and C library, our libraries first; the driver from wherever this machine keeps it.
    local driver path
    driver="$(ldconfig -p 2>/dev/null | awk '/libcuda\.so\.1 /{print $NF}' | xargs -r -n1 dirname | sort -u | paste -sd: -)"
    path="$lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}${driver:+:$driver}"
    launch() { "$lib/ld-linux-x86-64.so.2" --library-path "$path" "$@"; }

    { nvidia-smi --query-gpu=name,driver_version,memory.total --format=csv,noheader 2>&1 || true; } | tee "$out/device.txt"

    cp "$lib/ptxas.txt" "$out/ptxas.txt"
    cat "$out/ptxas.txt"

    echo "== CUDA tests"
    launch "$dir/tests/morphalith_tests" --gtest_filter='*Cuda*:*CUDA*' 2>&1 | tee "$out/tests.txt" || status=1

    echo "== production scene, 1920x1080"
    launch "$dir/bench/morphalith_cuda_check" bench/scenes/production.json --size 1920x1080 --frames 5 \
        --out "$out/production" 2>&1 | tee "$out/production.txt" || status=1

    echo "== production scene, 1920x1080, reference renderer"
    mkdir -p "$out/production-reference"
    launch "$dir/bench/morphalith_cuda_check" bench/scenes/production.json --size 1920x1080 --frames 5 \
        --module "$PWD/$reference" --image "$reference_image" \
        --out "$out/production-reference" 2>&1 | tee "$out/production-reference.txt" || status=1

    echo "== reflections with an environment map, 1280x720"
    launch "$dir/bench/morphalith_cuda_check" examples/reflections.json --size 1280x720 --frames 5 \
        --out "$out/reflections" 2>&1 | tee "$out/reflections.txt" || status=1

    echo "== $([ "$status" -eq 0 ] && echo passed || echo FAILED); reports in $out"
    exit "$status"
}

case "${1:-}" in
    pack) pack ;;
    run) run ;;
    *)
        echo "usage: bench/cuda_check.sh pack|run   (see the top of this file)" >&2
        exit 2
        ;;
esac
