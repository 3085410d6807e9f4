#!/usr/bin/env bash
# Builds the release benchmarks (`bench` preset) and measures, in one run and side by side:
#  - the installer's whole job headless in a fresh folder, in-process and as a whole process,
#    against the floor: the same bytes written with one open/write/close a file;
#  - the peak memory of the installer and of compiling a generated 1,000,000 m line, against
#    the largest file each writes;
#  - the compilation of generated lines of 250, 500 and 1000 km (cost against length).
# Then prints a table. BENCH_REPETITIONS (default 10) repeats every timing; the spread is the
# minimum and maximum of the repetitions. Other work on the machine shows in the numbers: the
# load average is printed before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++ cmake ninja-build libfltk1.3-dev libcli11-dev nlohmann-json3-dev \
  pkg-config   libbenchmark-dev time linux-perf python3

cmake --preset bench >/dev/null
cmake --build build/bench -j2 --target genova_torino_ic514 scenario_floor scenario_bench \
  scenario_compile_once

bin=build/bench/bench
results=build/bench/results
repetitions=${BENCH_REPETITIONS:-10}
mkdir -p "$results"
rm -f "$results"/*

load() { cut -d' ' -f1-3 /proc/loadavg; }
echo "load average before: $(load)" | tee "$results/load.txt"

"$bin/scenario_bench" --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true --benchmark_display_aggregates_only=true \
  --benchmark_out="$results/bench.json" --benchmark_out_format=json

# Peak resident set of a whole process, from GNU time (its own small process is the parent, so
# nothing of the benchmark is charged to the child). The program runs from a fresh folder.
peak_of_copy() {
  local label=$1 program=$2 dir
  dir=$(mktemp -d)
  cp "$program" "$dir/"
  env -u DISPLAY /usr/bin/time -f "$label %M" -a -o "$results/memory.txt" \
    "$dir/$(basename "$program")" >/dev/null
  rm -rf "$dir"
}
# Page faults and CPU time (task-clock: user and system, in milliseconds) of a whole process,
# from perf's software counters, which every kernel with perf events has. A page fault is
# cheap on some machines and dear on others (virtual machines), so the count is what carries.
faults_of_copy() {
  local label=$1 program=$2 dir
  dir=$(mktemp -d)
  cp "$program" "$dir/"
  env -u DISPLAY perf stat -x, -e page-faults,task-clock -o "$dir/perf.csv" \
    "$dir/$(basename "$program")" >/dev/null
  awk -F, -v label="$label" '$3 == "page-faults" {f = $1} $3 == "task-clock" {t = $1}
    END {print label, f, t}' "$dir/perf.csv" >>"$results/faults.txt"
  rm -rf "$dir"
}
for _ in 1 2 3 4 5; do
  peak_of_copy installer build/bench/app/genova_torino_ic514
  peak_of_copy floor "$bin/scenario_floor"
  /usr/bin/time -f "compile_1000km %M" -a -o "$results/memory.txt" \
    "$bin/scenario_compile_once" 1000000 >"$results/compile_1000km.txt"
done
for _ in $(seq "$repetitions"); do
  faults_of_copy installer build/bench/app/genova_torino_ic514
  faults_of_copy floor "$bin/scenario_floor"
done
echo "load average after: $(load)" | tee -a "$results/load.txt"

python3 - "$results" "$bin/reference/GENOVA_TORINO_linea.dat" <<'EOF'
import json, os, statistics, sys

results, plan_file = sys.argv[1], sys.argv[2]
runs = json.load(open(os.path.join(results, "bench.json")))["benchmarks"]

def times(run_name, field="real_time"):
    values = [r[field] for r in runs if r["run_name"] == run_name and r["run_type"] == "iteration"]
    if not values:
        sys.exit(f"no measurement of {run_name}")
    return values

def spread(values):
    return f"{statistics.median(values):8.2f} ms  ({min(values):.2f} to {max(values):.2f})"

print()
print("Time, wall clock, median of the repetitions (minimum to maximum):")
for where in ("in_process", "process"):
    installer = times(f"installer/{where}/manual_time")
    floor = times(f"floor/{where}/manual_time")
    ratio = statistics.median(installer) / statistics.median(floor)
    print(f"  {where:10}  installer {spread(installer)}")
    print(f"  {'':10}  floor     {spread(floor)}")
    print(f"  {'':10}  installer / floor = {ratio:.1f}   (target: at most 1.5)")

memory = {}
for line in open(os.path.join(results, "memory.txt")):
    label, kib = line.split()
    memory.setdefault(label, []).append(int(kib) * 1024)
compiled = dict(zip(*[iter(open(os.path.join(results, "compile_1000km.txt")).read().split())] * 2))
largest = {"installer": os.path.getsize(plan_file), "compile_1000km": int(compiled["plan"])}
faults, cpu = {}, {}
for line in open(os.path.join(results, "faults.txt")):
    label, count, msec = line.split()
    faults.setdefault(label, []).append(int(count))
    cpu.setdefault(label, []).append(float(msec))
print()
print("Whole process, median of the repetitions (minimum to maximum):")
for label in ("installer", "floor"):
    print(f"  {label:10} page faults {statistics.median(faults[label]):6.0f} "
          f"({min(faults[label])} to {max(faults[label])})   CPU {spread(cpu[label])}")
for what, values in (("page faults", faults), ("CPU time", cpu)):
    ratio = statistics.median(values["installer"]) / statistics.median(values["floor"])
    print(f"  installer / floor, {what}: {ratio:.1f}")

print()
print("Peak memory (maximum resident set, median of 5 runs) against the largest file written:")
for label in ("installer", "floor", "compile_1000km"):
    peak = statistics.median(memory[label])
    line = f"  {label:15} {peak / 1e6:7.2f} MB"
    if label in largest:
        line += (f"   largest file {largest[label] / 1e6:6.2f} MB   ratio "
                 f"{peak / largest[label]:.2f}   (target: under 2)")
    print(line)

print()
print("Compiling and encoding a generated line, CPU time, median (minimum to maximum):")
per_metre = {}
for metres in (250000, 500000, 1000000):
    cpu = times(f"compile/{metres}", "cpu_time")
    per_metre[metres] = statistics.median(cpu) * 1e6 / metres
    print(f"  {metres // 1000:5} km  {spread(cpu)}   {per_metre[metres]:.1f} ns a metre")
print(f"  cost a metre at 1000 km / at 250 km = {per_metre[1000000] / per_metre[250000]:.2f}"
      "   (linear: 1)")
EOF
