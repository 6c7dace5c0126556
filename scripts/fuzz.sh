#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-fuzz/, everything instrumented for coverage,
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs each for a bounded time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 60); TARGETs by name (default: every tests/fuzz/NAME_fuzz.cpp). Each run
# starts from the seeds in tests/data/fuzz/NAME/ and the inputs earlier runs kept in
# build-fuzz/corpus/NAME/, and adds what it finds there. An input that crashes is kept in
# build-fuzz/crashes/NAME/ and fails the script; make it a case of the target's table test.
# A longer run, an hour on one target:  scripts/fuzz.sh 3600 sequence_data
# $MRPH_CUDA_PREBUILT, when set, names the CUDA kernel images to take instead of compiling them.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in tests/fuzz/*_fuzz.cpp; do
        name="$(basename "$source" _fuzz.cpp)"
        targets+=("$name")
    done
fi

mkdir -p build-fuzz
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DMRPH_FUZZ=ON -DMRPH_BUILD_TESTS=OFF -DMRPH_BUILD_BENCH=OFF -DMRPH_CUDA_PREBUILT="${MRPH_CUDA_PREBUILT:-}" \
    > build-fuzz/build.log 2>&1 || { cat build-fuzz/build.log; exit 1; }
for name in "${targets[@]}"; do
    cmake --build build-fuzz -j"$(nproc)" --target "fuzz_$name" >> build-fuzz/build.log 2>&1 || { tail -50 build-fuzz/build.log; exit 1; }
done

failed=0
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="abort_on_error=1"
for name in "${targets[@]}"; do
    corpus="build-fuzz/corpus/$name" crashes="build-fuzz/crashes/$name" log="build-fuzz/$name.log"
    mkdir -p "$corpus" "$crashes"
    # A target's words (keys of a text format, say), when it has some: tests/data/fuzz/NAME.dict.
    dict=()
    if [ -f "tests/data/fuzz/$name.dict" ]; then dict=(-dict="tests/data/fuzz/$name.dict"); fi
    # The module's kernel cache and any file it writes stay in the build folder.
    if HOME="$PWD/build-fuzz/home" "build-fuzz/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 "${dict[@]}" \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" "tests/data/fuzz/$name" > "$log" 2>&1; then
        status="no crash"
    else
        status="FAILED (input kept in $crashes/; see $log)"
        failed=1
        grep -E "^fuzz: |ERROR: |SUMMARY: " "$log" | head -5 || true
    fi
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    speed="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
    last="$(grep -E '^#[0-9]+' "$log" | tail -1)"
    cov="$(echo "$last" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')"
    ft="$(echo "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')"
    corp="$(echo "$last" | sed -n 's/.* corp: \([0-9]*\).*/\1/p')"
    echo "fuzz_$name: ${runs:-?} executions in ${seconds} s (${speed:-?}/s), coverage ${cov:-?} edges" \
         "(${ft:-?} features), corpus ${corp:-?} inputs: $status"
done
exit "$failed"
