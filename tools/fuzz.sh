#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for the given time.
# Usage: tools/fuzz.sh [--seconds N | --runs N --seed S] [--jobs J] [TARGET...]
#   --runs/--seed: a fixed number of inputs from a fixed seed, starting from
#   the seeds alone (the test command's check)
#   TARGET: chrome-bookmarks safari-bookmarks safari-history-plist
#           safari-topsites safari-lastsession customized-bookmarks local-state
#           firefox-places
#           (all by default)
# Seeds: the browser files of trellis-generate's tiny corpus and home
# (written into build/fuzz/generated), the hand-made ones in tools/fuzz/seeds (property
# lists also in binary form), and the inputs that once found a fault
# (tests/regressions). What a run learns is kept in
# build/fuzz/corpus/TARGET for the next run; an input that crashes, hangs or
# leaks is written to build/fuzz/findings/TARGET/ and fails the command.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=60
runs=
seed=
jobs=$(nproc)
targets=()
while [ $# -gt 0 ]; do
    case $1 in
        --seconds) seconds=$2; shift 2 ;;
        --runs) runs=$2; shift 2 ;;
        --seed) seed=$2; shift 2 ;;
        --jobs) jobs=$2; shift 2 ;;
        -h|--help) sed -n 2,15p "$0"; exit 0 ;;
        *) targets+=("$1"); shift ;;
    esac
done
all=(chrome-bookmarks safari-bookmarks safari-history-plist safari-topsites
     safari-lastsession customized-bookmarks local-state firefox-places favicon-image search)
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

out=$root/build/fuzz
# Written each time, so that the seeds follow the generator; at this scale
# it takes a moment.
rm -rf "$out/generated"
"$out/bin/trellis-generate" --out "$out/generated" --scale tiny --quiet
"$out/bin/trellis-generate" --home "$out/generated/home" --browsers 1 --quiet

seed_files() {
    case $1 in
        chrome-bookmarks) echo chrome/Default/Bookmarks ;;
        safari-bookmarks) echo safari/Bookmarks.plist ;;
        safari-history-plist) echo safari/History.plist ;;
        safari-topsites) echo safari/TopSites.plist ;;
        safari-lastsession) echo safari/LastSession.plist ;;
        customized-bookmarks | firefox-places | favicon-image | search) ;;
        local-state) echo "home/.config/google-chrome/Local State" ;;
    esac
}

prepare() {
    local target=$1 seeds=$out/seeds/$1
    rm -rf "$seeds"
    mkdir -p "$seeds" "$out/corpus/$target" "$out/findings/$target"
    local file
    file=$(seed_files "$target")
    if [ -n "$file" ]; then
        cp "$out/generated/$file" "$seeds/generated"
    fi
    for file in "$root/tools/fuzz/seeds/$target"/* "$root/tests/regressions/$target"/*; do
        [ -f "$file" ] || continue
        cp "$file" "$seeds/"
        case $file in
            *.xml) plistutil -i "$file" -o "$seeds/$(basename "${file%.xml}").bplist" -f bin ;;
        esac
    done
}

run() {
    local target=$1
    # -timeout: an input that takes 10 s is a hang; stdout is closed since
    # the readers print their one-line diagnostics there.
    local limit=(-max_total_time="$seconds") corpus=$out/corpus/$target
    if [ -n "$runs" ]; then
        # From the seeds alone, with Qt's hashes unsalted, so that such a
        # run tries much the same inputs each time.
        limit=(-runs="$runs" -seed="${seed:-1}")
        corpus=$out/check-corpus/$target
        rm -rf "$corpus"
        mkdir -p "$corpus"
        export QT_HASH_SEED=0
    fi
    LSAN_OPTIONS=suppressions=$root/tools/fuzz/lsan.supp \
        "$out/fuzz/fuzz-$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 \
        -close_fd_mask=1 -print_final_stats=1 \
        -artifact_prefix="$out/findings/$target/" \
        "$corpus" "$out/seeds/$target" >"$logs/$target.log" 2>&1
}

logs=$out/${runs:+check-}logs
mkdir -p "$logs"
for target in "${targets[@]}"; do
    [ -x "$out/fuzz/fuzz-$target" ] || { echo "unknown target: $target" >&2; exit 2; }
    prepare "$target"
done

failed=0
running=0
declare -A pids
for target in "${targets[@]}"; do
    run "$target" &
    pids[$target]=$!
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done

printf '%-22s %12s %8s %8s %s\n' target executions seconds corpus result
for target in "${targets[@]}"; do
    status=0
    wait "${pids[$target]}" || status=$?
    log=$logs/$target.log
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
    corpus=$(find "$out/${runs:+check-}corpus/$target" -type f | wc -l)
    if [ "$status" -eq 0 ]; then
        result=ok
    else
        result="FOUND: $(ls -t "$out/findings/$target" | head -1) (log: $log)"
        failed=1
    fi
    printf '%-22s %12s %8s %8s %s\n' "$target" "${executed:-?}" "${took:-$seconds}" "$corpus" "$result"
done
exit $failed
