# Shared by the benchmark scripts: the release build of trellis-inspect, the
# corpus generator, a scratch folder and a timer. Source it after cd-ing to
# the repository's top folder.

inspect=build/release/bin/trellis-inspect
generator=../shared/corpus/make_corpus.py
[ -x "$inspect" ] || { cmake --preset release >/dev/null && cmake --build --preset release --target trellis-inspect >/dev/null; }
[ -f "$generator" ] || { echo "no corpus generator at $generator" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Best of three wall-clock runs, in seconds.
best_of_three() {
  local best=""
  for _ in 1 2 3; do
    local start end elapsed
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    elapsed=$(echo "$end - $start" | bc)
    if [ -z "$best" ] || [ "$(echo "$elapsed < $best" | bc)" = 1 ]; then best=$elapsed; fi
  done
  echo "$best"
}
