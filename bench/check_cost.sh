#!/usr/bin/env bash
# What `vktgera check` costs next to `vktgera install` of the same repository.
# See bench/README.md.
#
#   bench/check_cost.sh [--bin PATH] [--baseline PATH] [--quick] [--files "150000 300000"]
#                       [--reps N] [--size S] [--seed N] [--report] [--workdir DIR] [--keep]
set -euo pipefail
bench=check_cost.sh
# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
# The shell clock (EPOCHREALTIME) and awk must use "." as the decimal point.
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")

bin="$root/build/vktgera"
baseline=""
files="150000 300000"
reps=3
size=3000
seed=1
report=0
workdir=""
keep=0

usage() {
  sed -n '2,6p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  cat <<'EOF'

  --bin PATH     vktgera to measure (default: build/vktgera of this checkout)
  --baseline PATH  another vktgera (an older build) timed in the same run, on
                 the same repositories, interleaved with the first
  --quick        smoke check: 2,000 and 10,000 files, 2 repetitions
  --files LIST   listed scripts per database kind in the one folder, one
                 repository per number (default "150000 300000")
  --reps N       repetitions of each command per repository (default 3)
  --size S       bytes per script, about (default 3000)
  --seed N       seed of the generated repositories (default 1)
  --report       both commands also write a JSON report (--report FILE)
  --workdir DIR  where to generate (default: a new folder under ${TMPDIR:-/tmp})
  --keep         keep the generated files
EOF
}



# --quick only changes defaults: options given beside it win, in any order.
for arg in "$@"; do
  if [[ $arg == --quick ]]; then
    files="2000 10000"; reps=2
  fi
done

while [[ $# -gt 0 ]]; do
  case $1 in
    --bin) need_value "$@"; bin=$2; shift 2 ;;
    --baseline) need_value "$@"; baseline=$2; shift 2 ;;
    --quick) shift ;;
    --files) need_value "$@"; files=$2; shift 2 ;;
    --reps) need_value "$@"; reps=$2; shift 2 ;;
    --size) need_value "$@"; size=$2; shift 2 ;;
    --seed) need_value "$@"; seed=$2; shift 2 ;;
    --report) report=1; shift ;;
    --workdir) need_value "$@"; workdir=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; die "unknown option: $1" ;;
  esac
done

for n in "$reps" "$size" "$seed" $files; do
  [[ $n =~ ^[0-9]+$ ]] || die "not a whole number: $n"
done
((reps >= 1)) || die "repetitions must be at least 1"

[[ -x $bin ]] || die "no executable vktgera at $bin (build it, or pass --bin PATH)"
bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")
programs=(ours)
if [[ -n $baseline ]]; then
  [[ -x $baseline ]] || die "no executable vktgera at $baseline"
  baseline=$(cd "$(dirname "$baseline")" && pwd)/$(basename "$baseline")
  programs+=(baseline)
fi
for tool in python3 xargs cat; do
  command -v "$tool" >/dev/null || die "$tool is not installed"
done
[[ -x /usr/bin/time ]] || die "/usr/bin/time (GNU time) is not installed"

make_work vktcheck


# summary LABEL FIELD: "min median max" of field 1 (ns) or 2 (kB) of LABEL.
summary() {
  cut -d' ' -f"$2" "$work/times/$1" | sort -n | awk '
    { v[NR] = $1 }
    END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%s %s %s\n", v[1], m, v[NR]
    }'
}

# warm_up NAME FILES CMD...: one untimed run, which must report nothing.
warm_up() {
  local name=$1 n=$2 status=0
  shift 2
  "$@" >"$work/last.stdout" 2>"$work/last.stderr" || status=$?
  if ((status != 0)) || [[ -s $work/last.stdout ]]; then
    echo "warning: $name of $n files ended with status $status: $(head -n 1 "$work/last.stdout")" >&2
  fi
}


mkdir -p "$work/times"
# How ICU reaches the program measured: the published figures are of a build
# with -DVKT_STATIC_CLI=ON (bench/README.md).
echo "vktgera: $bin (ICU linked $(icu_link "$bin"))"
[[ -z $baseline ]] || echo "baseline: $baseline (ICU linked $(icu_link "$baseline"))"
echo "work:    $work"
read -r load _ </proc/loadavg
echo "machine: $(nproc) cores, load average $load"
if awk -v l="$load" -v c="$(nproc)" 'BEGIN { exit !(l > c) }'; then
  echo "warning: the machine is busy (load above its core count): timings will be noisy" >&2
fi
echo
row() { printf '%9s %-8s  %9s %9s  %9s %9s  %7s %7s  %7s %7s\n' "$@"; }
row "" "" "install" "" "check" "" "check/install" "" "peak MB" ""
row "files" "program" "min s" "median s" "min s" "median s" "min" "median" "install" "check"

for n in $files; do
  repo="$work/repo_$n"
  python3 "$here/make_repo.py" --out "$repo" --seed "$seed" --type-names TABELAS \
    --files "$n" --size "$size" >/dev/null
  config="$repo/VKTGeraInstallBD.ini"
  # Warm-up: every script in the page cache, one run of each command; the
  # generated repository is complete, so each must report nothing.
  xargs -0 cat <"$repo/listed_ora.lst" >/dev/null
  xargs -0 cat <"$repo/listed_sql.lst" >/dev/null
  for program in "${programs[@]}"; do
    exe=$bin
    [[ $program == ours ]] || exe=$baseline
    warm_up "$program install" "$n" "$exe" --config "$config" install --repo BENCH --type TABELAS
    warm_up "$program check" "$n" "$exe" --config "$config" check --repo BENCH --type TABELAS
  done
  # Interleaved, so that load from other processes spreads over all.
  for ((r = 1; r <= reps; r++)); do
    for program in "${programs[@]}"; do
      exe=$bin
      [[ $program == ours ]] || exe=$baseline
      for command in install check; do
        extra=()
        if ((report)); then extra=(--report "$work/$command.json"); fi
        timed "${program}_${command}_$n" 1 "$exe" --config "$config" "$command" --repo BENCH \
          --type TABELAS "${extra[@]}"
      done
    done
  done
  for program in "${programs[@]}"; do
    read -r i_min i_med _ < <(summary "${program}_install_$n" 1)
    read -r c_min c_med _ < <(summary "${program}_check_$n" 1)
    read -r _ _ i_rss < <(summary "${program}_install_$n" 2)
    read -r _ _ c_rss < <(summary "${program}_check_$n" 2)
    row "$n" "$program" "$(seconds "$i_min")" "$(seconds "$i_med")" "$(seconds "$c_min")" \
      "$(seconds "$c_med")" "$(ratio "$c_min" "$i_min")" "$(ratio "$c_med" "$i_med")" \
      "$((i_rss / 1024))" "$((c_rss / 1024))"
  done
  rm -rf -- "$repo"
done
