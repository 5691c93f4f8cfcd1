#!/usr/bin/env bash
# The Windows build's vktgera.exe under Wine against the Linux vktgera, on
# the same generated repository in the same run: an installation of every
# listed script, timed REPS times each, taking turns. Prints a line per
# program (min and median wall time) and their ratio. Wine runs in a fresh
# prefix below the work folder, its server started (and the prefix made)
# before the first timed run. See bench/README.md.
#
#   bench/wine.sh [--bin PATH] [--exe PATH] [--baseline-exe PATH] [--types N]
#                 [--files F] [--size S] [--reps N] [--seed N] [--workdir DIR]
#                 [--keep]
set -euo pipefail
bench=wine.sh
# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")

bin="$root/build/vktgera"
exe="$root/build-win/vktgera.exe"
baseline_exe=""
types=10
files=400
size=3000
reps=5
seed=1
workdir=""
keep=0

usage() {
  sed -n '2,11p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  cat <<'EOF2'

  --bin PATH       the Linux vktgera (default: build/vktgera of this checkout)
  --exe PATH       the Windows vktgera.exe (default: build-win/vktgera.exe)
  --baseline-exe PATH
                   another vktgera.exe (an older build) timed in the same turns
  --types N        object-type folders with scripts (default 10, at most 15)
  --files F        listed scripts per folder and database kind (default 400:
                   8,000 listed scripts)
  --size S         bytes per script, about (default 3000)
  --reps N         timed runs of each program (default 5)
  --seed N         seed of the generated repository (default 1)
  --workdir DIR    where to generate (default: a new folder under ${TMPDIR:-/tmp})
  --keep           keep the generated files and the Wine prefix
EOF2
}

while [[ $# -gt 0 ]]; do
  case $1 in
    --bin) need_value "$@"; bin=$2; shift 2 ;;
    --exe) need_value "$@"; exe=$2; shift 2 ;;
    --baseline-exe) need_value "$@"; baseline_exe=$2; shift 2 ;;
    --types) need_value "$@"; types=$2; shift 2 ;;
    --files) need_value "$@"; files=$2; shift 2 ;;
    --size) need_value "$@"; size=$2; shift 2 ;;
    --reps) need_value "$@"; reps=$2; shift 2 ;;
    --seed) need_value "$@"; seed=$2; shift 2 ;;
    --workdir) need_value "$@"; workdir=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) die "unknown option: $1 (try --help)" ;;
  esac
done
for n in "$types" "$files" "$size" "$reps" "$seed"; do
  [[ $n =~ ^[0-9]+$ ]] || die "not a whole number: $n"
done
((reps >= 1)) || die "repetitions must be at least 1"
[[ -x $bin ]] || die "no Linux vktgera at $bin (--bin PATH)"
[[ -f $exe ]] || die "no vktgera.exe at $exe (--exe PATH)"
[[ -z $baseline_exe || -f $baseline_exe ]] || die "no vktgera.exe at $baseline_exe"
wine_dir=/usr/lib/wine
[[ -x $wine_dir/wine64 ]] || wine_dir=$(dirname "$(command -v wine64 || echo /none/wine64)")
[[ -x $wine_dir/wine64 ]] || die "wine64 is not installed"

make_work vkt-wine
python3 "$here/make_repo.py" --out "$work/repo" --seed "$seed" --types "$types" \
  --files "$files" --size "$size" >/dev/null

export WINEPREFIX="$work/wine" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
stop_wine() {
  "$wine_dir/wineserver" -k >/dev/null 2>&1 || true
  "$wine_dir/wineserver" -w >/dev/null 2>&1 || true
  cleanup
}
trap stop_wine EXIT
mkdir -p "$WINEPREFIX"
# One server for the whole run, as a desktop keeps one: its start and the
# prefix's making are no part of an installation.
"$wine_dir/wineserver" -p </dev/null >/dev/null 2>&1 || true
"$wine_dir/wine64" wineboot </dev/null >/dev/null 2>&1

config="$work/repo/VKTGeraInstallBD.ini"
args=(--config "$config" install --repo BENCH)
linux=("$bin" "${args[@]}")
# Wine reads the arguments in the locale's encoding: UTF-8, as on Linux.
windows=(env LC_ALL=C.UTF-8 "$wine_dir/wine64" "$exe" "${args[@]}")
baseline=(env LC_ALL=C.UTF-8 "$wine_dir/wine64" "$baseline_exe" "${args[@]}")

# One untimed run of each (caches, Wine's DLLs), then REPS timed turns.
"${linux[@]}" >/dev/null 2>&1 || true
"${windows[@]}" >/dev/null 2>&1 || true
[[ -z $baseline_exe ]] || "${baseline[@]}" >/dev/null 2>&1 || true
for _ in $(seq "$reps"); do
  timed linux 1 "${linux[@]}"
  timed windows 1 "${windows[@]}"
  [[ -z $baseline_exe ]] || timed baseline 1 "${baseline[@]}"
done

# min and median seconds of LABEL.
stats() {
  local min med
  min=$(cut -d' ' -f1 "$work/times/$1" | sort -n | head -n 1)
  med=$(cut -d' ' -f1 "$work/times/$1" | median)
  echo "$(seconds "$min") $(seconds "$med")"
}
read -r lmin lmed < <(stats linux)
read -r wmin wmed < <(stats windows)
listed=$((types * files * 2))
printf '%s listed scripts of about %s bytes, %s runs each; load average %s\n' \
  "$listed" "$size" "$reps" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '  %-28s min %8s s   median %8s s\n' "Linux vktgera" "$lmin" "$lmed"
printf '  %-28s min %8s s   median %8s s\n' "vktgera.exe under Wine" "$wmin" "$wmed"
printf '  %-28s min %8s     median %8s\n' "Wine / Linux" "$(ratio "$wmin" "$lmin")" \
  "$(ratio "$wmed" "$lmed")"
if [[ -n $baseline_exe ]]; then
  read -r bmin bmed < <(stats baseline)
  printf '  %-28s min %8s s   median %8s s\n' "baseline .exe under Wine" "$bmin" "$bmed"
  printf '  %-28s min %8s     median %8s\n' "baseline / Linux" "$(ratio "$bmin" "$lmin")" \
    "$(ratio "$bmed" "$lmed")"
fi
