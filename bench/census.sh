#!/usr/bin/env bash
# Games per second of the census with two worker threads, against the one-core floor of a deal:
# the scalar seeding chain of MT19937 up to word 452 (BM_SeedingFloor), in one run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
ticks=${CENSUS_TICKS:-67108864}
for program in "$build/pasianssi-census" "$build/bench/engine_bench"; do
    [[ -x $program ]] || { echo "$program is missing: run make bench" >&2; exit 1; }
done

floor_ns=$("$build/bench/engine_bench" --benchmark_filter='^BM_SeedingFloor$' \
    --benchmark_format=csv 2>/dev/null | awk -F, '$1 == "\"BM_SeedingFloor\"" { print $3 }')
rate=$("$build/pasianssi-census" --from 0 --to "$ticks" --jobs 2 --json 2>/dev/null |
    sed 's/.*"gamesPerSecond":\([0-9]*\).*/\1/')
echo "seeding floor: $floor_ns ns a deal on one core"
echo "census:        $rate games/s with 2 jobs over $ticks ticks"
awk -v r="$rate" -v f="$floor_ns" 'BEGIN { printf "ratio:         %.2f of the one-core floor\n", r * f / 1e9 }'
