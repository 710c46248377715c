#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time.
#   tools/fuzz.sh [seconds-per-target] [extra-seed-dir ...]
# Seconds default to 30. Extra seed folders are read, never written. The
# working corpora and any crash, leak or timeout inputs stay in build-fuzz/.
# Exits non-zero on any crash, leak, timeout or sanitizer report.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-30}
[ $# -gt 0 ] && shift
extra_seeds=("$@")
case $seconds in
    '' | *[!0-9]*) echo "fuzz.sh: seconds must be a whole number, got '$seconds'" >&2; exit 2 ;;
esac

out=${LUMENFOLD_FUZZ_BUILD:-build-fuzz}
cxx=${CLANGXX:-clang++}
command -v "$cxx" >/dev/null || { echo "fuzz.sh: $cxx not found (tools/install-deps.sh test installs it)" >&2; exit 2; }

targets=(geometry_fuzzer ase_reader_fuzzer export_reader_fuzzer)
cmake -S . -B "$out" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" \
    -DLUMENFOLD_FUZZ=ON -DLUMENFOLD_BUILD_TESTS=OFF -DLUMENFOLD_WERROR=ON >/dev/null
cmake --build "$out" -j "$(nproc)" --target "${targets[@]}"

# Whole symbol files are tens of kilobytes; mutating windows of a few kilobytes
# runs many times faster and still holds every kind of line the reader knows.
max_len() { # target
    case $1 in
        ase_reader_fuzzer | export_reader_fuzzer) echo 4096 ;;
        *) echo 0 ;;
    esac
}

seed_dirs() { # target
    case $1 in
        geometry_fuzzer) echo fuzz/seeds/geometry ;;
        export_reader_fuzzer) echo fuzz/seeds/export ;;
        ase_reader_fuzzer)
            echo fuzz/seeds/ase
            # The shipped symbols and any sample models the tests keep.
            [ -d symbols/standard ] && echo symbols/standard
            git ls-files -- 'tests/*.ASE' 'tests/*.ase' 2>/dev/null | xargs -r -n1 dirname | sort -u
            for dir in "${extra_seeds[@]}"; do echo "$dir"; done
            ;;
    esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
for target in "${targets[@]}"; do
    corpus="$out/corpus/$target"
    artifacts="$out/artifacts/$target/"
    mkdir -p "$corpus" "$artifacts"
    mapfile -t seeds < <(seed_dirs "$target")
    existing=()
    for dir in "${seeds[@]}"; do [ -d "$dir" ] && existing+=("$dir"); done

    echo "== running $target for ${seconds}s (seeds: ${existing[*]:-none})"
    log="$out/$target.log"
    # New inputs go to the first folder, the working corpus; the seeds are only read.
    if "$out/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$(max_len "$target")" \
            -print_final_stats=1 -artifact_prefix="$artifacts" \
            "$corpus" "${existing[@]}" >"$log" 2>&1; then
        grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
    else
        status=1
        echo "!! $target failed; see $log and $artifacts" >&2
        grep -E 'ERROR|runtime error|SUMMARY|Test unit written' "$log" >&2 || tail -n 20 "$log" >&2
    fi
    # A report that did not stop the run still fails the gate.
    if grep -qE 'runtime error:|ERROR: (Address|Leak|Undefined)Sanitizer' "$log"; then
        status=1
        echo "!! $target printed a sanitizer report; see $log" >&2
    fi
done
exit $status
