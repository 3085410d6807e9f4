#!/usr/bin/env bash
# Builds the compiler's fuzz targets (preset `fuzz`) and runs each for the given number of
# seconds (default 30), one after the other. Fails when any target finds a crash, a sanitizer
# report, a leak, a timeout, too much memory or a broken property; the input that caused it is
# kept in build/fuzz/artifacts/ and the target's output in build/fuzz/logs/.
#
# Usage: scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
case "$seconds" in
  '' | *[!0-9]*) echo "usage: $0 [seconds-per-target]" >&2; exit 2 ;;
esac

scripts/install-deps.sh clang libclang-rt-14-dev cmake ninja-build
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzzers -j 2

build=build/fuzz
mkdir -p "$build/artifacts" "$build/logs"
# target and the longest input it is given: the carried line description is about 5 KB and the
# train description about 10 KB, so every limit leaves room for descriptions several times larger.
targets=(
  "field_reader 16384"
  "line_phase 32768"
  "train_phase 32768"
  "compilation 65536"
  "compiled_file_decoder 65536"
)
failed=()
for entry in "${targets[@]}"; do
  read -r name max_len <<<"$entry"
  corpus="$build/corpus/$name"
  log="$build/logs/$name.log"
  mkdir -p "$corpus"
  echo "== $name: ${seconds}s"
  # New inputs go to the working corpus; the seeds are only read.
  if "$build/fuzz/${name}_fuzzer" "$corpus" "$build/seeds/$name" \
      -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/artifacts/$name-" -print_final_stats=1 >"$log" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true
  else
    echo "$name FAILED: see $log and $build/artifacts/$name-*"
    grep -E 'ERROR|SUMMARY|property broken|runtime error|Test unit written' "$log" | head -20 || true
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing failed: ${failed[*]}"
  exit 1
fi
echo "fuzzing passed: ${#targets[@]} targets, ${seconds}s each"
