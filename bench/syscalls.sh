#!/usr/bin/env bash
# The system calls `vktgera install` makes per listed script, counted by
# strace: installs of F and of 2F scripts per folder, and the difference
# divided by the scripts added (the run's fixed calls set apart). What the
# run's safety (folders reached without foreign links, whole-file
# replacement, sources checked to lie inside PathOrigem) costs per script,
# whatever else the machine is doing: the same binary on the same repository
# gives the same numbers. See bench/README.md.
#
#   bench/syscalls.sh [--bin PATH] [--baseline PATH] [--types N] [--files F]
#                     [--size S] [--seed N] [--workdir DIR] [--keep]
set -euo pipefail
bench=syscalls.sh
# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")

bin="$root/build/vktgera"
baseline=""
types=15
files=300
size=33000
seed=1
workdir=""
keep=0

usage() {
  sed -n '2,12p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  cat <<'EOF2'

  --bin PATH       vktgera to count (default: build/vktgera of this checkout)
  --baseline PATH  another vktgera (an older build) counted on the same repository
  --types N        object-type folders with scripts (default 15, at most 15)
  --files F        listed scripts per folder and database kind (default 300)
  --size S         bytes per script, about (default 33000: 4,500 scripts and
                   about 150 MB per kind)
  --seed N         seed of the generated repository (default 1)
  --workdir DIR    where to generate (default: a new folder under ${TMPDIR:-/tmp})
  --keep           keep the generated files
EOF2
}

while [[ $# -gt 0 ]]; do
  case $1 in
    --bin) need_value "$@"; bin=$2; shift 2 ;;
    --baseline) need_value "$@"; baseline=$2; shift 2 ;;
    --types) need_value "$@"; types=$2; shift 2 ;;
    --files) need_value "$@"; files=$2; shift 2 ;;
    --size) need_value "$@"; size=$2; shift 2 ;;
    --seed) need_value "$@"; seed=$2; shift 2 ;;
    --workdir) need_value "$@"; workdir=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) die "unknown option: $1 (try --help)" ;;
  esac
done
command -v strace >/dev/null || die "strace is not installed (apt-get install strace)"
[[ -x $bin ]] || die "no program at $bin"
[[ -z $baseline || -x $baseline ]] || die "no program at $baseline"

make_work vkt-syscalls
# Two repositories, F and 2F scripts per folder: what the second costs more
# is what the scripts cost, the run's fixed calls (start-up, configuration,
# one output per type) set apart.
for n in 1 2; do
  python3 "$here/make_repo.py" --out "$work/repo$n" --seed "$seed" --types "$types" \
    --files $((files * n)) --size "$size" >/dev/null
done

# count LABEL BIN N: one warm install of repository N under strace -f -c.
count() {
  local label=$1 program=$2 repo=$work/repo$3
  rm -rf "$repo/out"
  "$program" --config "$repo/VKTGeraInstallBD.ini" install --repo BENCH >/dev/null 2>&1 || true
  rm -rf "$repo/out"
  strace -f -c -o "$work/$label.$3.strace" \
    "$program" --config "$repo/VKTGeraInstallBD.ini" install --repo BENCH >/dev/null 2>&1 || true
}

# table FILE: "calls syscall" rows of strace's summary (its total left out).
table() {
  awk '$1 ~ /^[0-9.]+$/ && $NF != "total" { print $4, $NF }' "$1" | sort -k2,2
}

report() {
  local label=$1 program=$2
  count "$label" "$program" 1
  count "$label" "$program" 2
  local listed=$((types * files * 2))
  join -a1 -a2 -e0 -o 0,1.1,2.1 -1 2 -2 2 <(table "$work/$label.1.strace") \
    <(table "$work/$label.2.strace") >"$work/$label.joined"
  printf '\n%s (%s)\n' "$label" "$program"
  printf '  %-16s %10s %10s %12s\n' call "F scripts" "2F scripts" "per script"
  awk -v n="$listed" '{ printf "  %-16s %10d %10d %12.2f\n", $1, $2, $3, ($3 - $2) / n }' \
    "$work/$label.joined" | sort -k4,4nr -k2,2nr
  awk -v n="$listed" '{ a += $2; b += $3 } END {
    printf "  %-16s %10d %10d %12.2f\n", "all", a, b, (b - a) / n }' "$work/$label.joined"
}

printf 'F = %s scripts per folder and kind, %s folders, about %s bytes each: %s and %s listed scripts\n' \
  "$files" "$types" "$size" $((types * files * 2)) $((types * files * 4))
report ours "$bin"
[[ -z $baseline ]] || report baseline "$baseline"
