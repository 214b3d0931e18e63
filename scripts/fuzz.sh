#!/usr/bin/env bash
# Fuzzes the parsers of outside input with libFuzzer (clang, in build-fuzz/).
#   scripts/fuzz.sh TARGET SECONDS   fuzz one target; new inputs go to build-fuzz/corpus/TARGET
#   scripts/fuzz.sh --check [SECONDS] replay every seed corpus, then fuzz each target SECONDS
#                                     (default 30); any finding fails
#   scripts/fuzz.sh --list            the targets
# A finding is saved under build-fuzz/findings/TARGET/; once fixed, copy it into
# fuzz/corpus/TARGET/ so that every later run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-fuzz
# One target per fuzz/fuzz_*.cpp.
mapfile -t targets < <(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')

# A smaller quarantine keeps a long run far from the memory limit; it only shortens how
# long a freed block stays poisoned.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:quarantine_size_mb=64
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/scripts/sanitizer-leaks.supp:print_suppressions=0

build_targets() {
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUENLIT_FUZZ=ON >/dev/null
  cmake --build "$build" --parallel "$(nproc)" --target fuzz_all
}

# fuzz TARGET SECONDS: the seeds are read, never written; new inputs go to the work corpus.
fuzz() {
  local target=$1 seconds=$2
  mkdir -p "$build/corpus/$target" "$build/findings/$target"
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target/" \
    "$build/corpus/$target" "$root/fuzz/corpus/$target"
}

# replay TARGET: every seed once; the output only when one fails.
replay() {
  local target=$1 log=$build/findings/$1.replay.log
  mkdir -p "$build/findings/$target"
  if ! "$build/fuzz/$target" -timeout=30 -artifact_prefix="$build/findings/$target/" \
    "$root/fuzz/corpus/$target"/* >"$log" 2>&1; then
    cat "$log"
    echo "replaying the seeds of $target failed" >&2
    return 1
  fi
}

case "${1:-}" in
  --list) printf '%s\n' "${targets[@]}" ;;
  --check)
    seconds=${2:-30}
    build_targets
    for t in "${targets[@]}"; do
      echo "== replay $t"
      replay "$t"
    done
    for t in "${targets[@]}"; do
      echo "== fuzz $t for ${seconds}s"
      log=$build/findings/$t.log
      mkdir -p "$build/findings"
      if ! fuzz "$t" "$seconds" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "fuzz $t found a fault; see $build/findings/$t/" >&2
        exit 1
      fi
      grep -E 'DONE|stat::number_of_executed_units' "$log" || true
    done
    ;;
  ""|-*) sed -n '2,8p' "$0"; exit 2 ;;
  *)
    [ $# -eq 2 ] || { sed -n '2,8p' "$0"; exit 2; }
    build_targets
    fuzz "$1" "$2"
    ;;
esac
