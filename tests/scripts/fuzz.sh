#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset, in build/fuzz) and runs each one: first its
# seed corpus and every kept regression input once, then fresh fuzzing for a bounded time.
# Fails on any crash, sanitizer report, hang (-timeout) or broken invariant.
#   usage: fuzz.sh BUILD_DIR      (the ctest build that runs it; skipped in the sanitizer build)
#   FUZZ_SECONDS=30 per target by default.
# Exit 77 (skipped) where clang or libFuzzer is missing.
set -uo pipefail
build_dir=${1:-}
source_dir=${QUILMAR_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
seconds=${FUZZ_SECONDS:-30}

# The sanitizer build runs the same tests again; fuzzing once (from the plain build) is enough.
if [ -n "$build_dir" ] && grep -q '^QUILMAR_SANITIZE:BOOL=ON' "$build_dir/CMakeCache.txt" 2>/dev/null; then
  echo "skipped: the sanitizer build leaves fuzzing to the plain build"
  exit 77
fi
if ! command -v clang++ >/dev/null; then
  echo "skipped: clang++ is not installed"
  exit 77
fi
if ! clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a | grep -q /; then
  echo "skipped: libFuzzer (libclang-rt-14-dev) is not installed"
  exit 77
fi

cd "$source_dir" || exit 1
started=$SECONDS
if ! cmake --preset fuzz >/tmp/quilmar-fuzz-configure.$$ 2>&1 || ! cmake --build --preset fuzz >/tmp/quilmar-fuzz-build.$$ 2>&1; then
  cat /tmp/quilmar-fuzz-configure.$$ /tmp/quilmar-fuzz-build.$$ 2>/dev/null | tail -40
  rm -f /tmp/quilmar-fuzz-configure.$$ /tmp/quilmar-fuzz-build.$$
  echo "FAILED: the fuzz targets do not build"
  exit 1
fi
rm -f /tmp/quilmar-fuzz-configure.$$ /tmp/quilmar-fuzz-build.$$
echo "built in $((SECONDS - started)) s"
# ctest gives this script 600 s: a slow build (a cold cache) shortens the fuzzing, never below
# 10 s a target, rather than letting the whole check time out.
budget=$(( (540 - (SECONDS - started)) / 5 - 5 ))
if [ -z "${FUZZ_SECONDS:-}" ] && [ "$budget" -lt "$seconds" ]; then
  seconds=$(( budget < 10 ? 10 : budget ))
  echo "fuzzing $seconds s a target to stay within the test's time"
fi

bin="$source_dir/build/fuzz/bin"
work=$(mktemp -d /tmp/quilmar-fuzz-XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0
common=(-error_exitcode=1 -timeout_exitcode=1 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1)

for target in like_match key_script substitute load_settings round_trip; do
  program="$bin/quilmar-fuzz-$target"
  inputs=("$source_dir/fuzz/corpus/$target")
  [ -d "$source_dir/fuzz/regressions/$target" ] && inputs+=("$source_dir/fuzz/regressions/$target")
  log="$work/$target.log"

  # Every kept input once: a fault found before must stay fixed.
  if ! "$program" -runs=0 "${common[@]}" "${inputs[@]}" >"$log" 2>&1; then
    tail -60 "$log"
    echo "FAILED: $target on its corpus or regression inputs"
    failed=1
    continue
  fi
  # New inputs go to a scratch corpus; the committed ones are only read.
  mkdir -p "$work/$target"
  if "$program" -max_total_time="$seconds" -artifact_prefix="$work/$target-" "${common[@]}" \
       "$work/$target" "${inputs[@]}" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "$target: ${runs:-?} executions in ${seconds} s (${rate:-?}/s), no failure"
  else
    grep -v '^#\|^"\|NEW_FUNC' "$log" | tail -60
    for artifact in "$work/$target"-*; do
      [ -f "$artifact" ] && echo "input: $(basename "$artifact") (base64) $(base64 -w0 "$artifact")"
    done
    echo "FAILED: $target (keep the input in fuzz/regressions/$target/ once fixed)"
    failed=1
  fi
done

if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "fuzzing: every target ran without failure"
