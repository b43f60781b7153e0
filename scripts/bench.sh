#!/usr/bin/env bash
# `make bench`: the speed figures, each beside its floor measured in the same
# run. Needs `make build-win64 build-native`; Wine runs on the end-to-end
# harness's private Xvfb display and Wine prefix, so nothing else is started
# here. BENCH_RUNS sets the start-to-overlay runs per program and size;
# BENCH_PIN_RUNS the saves and pins per program (5), BENCH_FLOATERS the
# Floaters added for the memory figures (100), BENCH_PRESSES the hotkey presses
# per program and size while resident (7).
set -uo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
case $build in /*) ;; *) build=$PWD/$build ;; esac
native=$build/native/bench
win=$build/win64

missing=()
for f in "$native/bench_tests" "$native/picklist_bench" "$native/undo_bench" "$native/tools_bench" "$native/wine_bench" "$win/vellumo.exe" \
         "$win/bench/win/drawbench.exe" "$win/bench/win/annotatebench.exe" "$win/bench/win/floor.exe" "$win/bench/win/plainwin.exe" \
         "$native/output_bench" "$win/bench/win/savebench.exe" "$win/bench/win/pinfloor.exe" \
         "$native/resident_bench" "$win/bench/win/hotkeyfloor.exe" "$win/vpng.exe"; do
  [ -x "$f" ] || [ -f "$f" ] || missing+=("$f")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bench: not built: ${missing[*]}" >&2
  echo "bench: run 'make build-win64 build-native' first" >&2
  exit 1
fi

status=0
# The helpers that check pixels and place probes are tested first: a figure
# measured through a broken checker means nothing.
if ! out=$("$native/bench_tests" 2>&1); then
  echo "$out" | grep -E 'Failure|FAILED|error' | head -n 20
  echo "bench: the benchmarks' own tests fail; no figures" >&2
  exit 1
fi
"$native/picklist_bench" --header || status=1
"$native/undo_bench" || status=1
"$native/tools_bench" || status=1
"$native/wine_bench" "$win/bench/win" "$win/vellumo.exe" "${BENCH_RUNS:-7}" || status=1
"$native/output_bench" "$win/bench/win" "$win/vellumo.exe" "${BENCH_PIN_RUNS:-5}" "${BENCH_FLOATERS:-100}" || status=1
"$native/resident_bench" "$win/bench/win" "$win/vellumo.exe" "${BENCH_PRESSES:-7}" || status=1
exit $status
