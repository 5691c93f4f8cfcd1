#!/usr/bin/env bash
# Throughput and scaling benchmark of vktgera. See bench/README.md.
#
#   bench/run.sh [--bin PATH] [--quick] [--reps N] [--scale-reps N]
#                [--types N] [--files F] [--size S] [--seed N]
#                [--scaling "1000 10000 100000"] [--scale-size S]
#                [--small-types N] [--small-files F] [--small-size S]
#                [--no-main] [--no-small] [--no-scaling] [--workdir DIR] [--keep]
set -euo pipefail
bench=run.sh
# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
# The shell clock (EPOCHREALTIME) and awk must use "." as the decimal point.
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")

bin="$root/build/vktgera"
reps=5
scale_reps=3
types=10
files=300
size=50000
seed=1
scaling="1000 10000 100000"
scale_size=3000
small_types=10
small_files=10000
small_size=3000
run_main=1
run_small=1
run_scaling=1
workdir=""
keep=0

usage() {
  sed -n '2,8p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  cat <<'EOF'

  --bin PATH       vktgera to measure (default: build/vktgera of this checkout)
  --quick          smoke check: small repository, short scaling series, 2 repetitions
  --reps N         repetitions of each timed command of the main comparison (default 5)
  --scale-reps N   repetitions of each scaling run (default 3)
  --types N        object-type folders with files (default 10)
  --files F        listed files per folder and database kind (default 300)
  --size S         bytes per source file, about (default 50000)
  --seed N         seed of the generated repositories (default 1)
  --scaling LIST   listed files of the scaling series (default "1000 10000 100000")
  --scale-size S   bytes per file in the scaling series (default 3000)
  --small-types N  folders of the many-small-scripts comparison (default 10)
  --small-files F  its files per folder and database kind (default 10000)
  --small-size S   its bytes per source file, about (default 3000)
  --no-main        skip the comparison of large scripts with cat and iconv
  --no-small       skip the comparison of many small scripts with cat and iconv
  --no-scaling     skip the scaling series
  --workdir DIR    where to generate (default: a new folder under ${TMPDIR:-/tmp})
  --keep           keep the generated files
EOF
}



# --quick only changes defaults: options given beside it win, in any order.
for arg in "$@"; do
  if [[ $arg == --quick ]]; then
    reps=2; scale_reps=2; types=4; files=25; size=20000; scaling="200 2000"
    small_types=4; small_files=250
  fi
done

while [[ $# -gt 0 ]]; do
  case $1 in
    --bin) need_value "$@"; bin=$2; shift 2 ;;
    --quick) shift ;;
    --reps) need_value "$@"; reps=$2; shift 2 ;;
    --scale-reps) need_value "$@"; scale_reps=$2; shift 2 ;;
    --types) need_value "$@"; types=$2; shift 2 ;;
    --files) need_value "$@"; files=$2; shift 2 ;;
    --size) need_value "$@"; size=$2; shift 2 ;;
    --seed) need_value "$@"; seed=$2; shift 2 ;;
    --scaling) need_value "$@"; scaling=$2; shift 2 ;;
    --scale-size) need_value "$@"; scale_size=$2; shift 2 ;;
    --small-types) need_value "$@"; small_types=$2; shift 2 ;;
    --small-files) need_value "$@"; small_files=$2; shift 2 ;;
    --small-size) need_value "$@"; small_size=$2; shift 2 ;;
    --no-main) run_main=0; shift ;;
    --no-small) run_small=0; shift ;;
    --no-scaling) run_scaling=0; shift ;;
    --workdir) need_value "$@"; workdir=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; die "unknown option: $1" ;;
  esac
done

for n in "$reps" "$scale_reps" "$types" "$files" "$size" "$seed" "$scale_size" "$small_types" \
  "$small_files" "$small_size" $scaling; do
  [[ $n =~ ^[0-9]+$ ]] || die "not a whole number: $n"
done
((reps >= 1 && scale_reps >= 1)) || die "repetitions must be at least 1"

[[ -x $bin ]] || die "no executable vktgera at $bin (build it, or pass --bin PATH)"
bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")
for tool in python3 iconv xargs cat; do
  command -v "$tool" >/dev/null || die "$tool is not installed"
done
[[ -x /usr/bin/time ]] || die "/usr/bin/time (GNU time) is not installed"

make_work vktbench

# ---- measuring -------------------------------------------------------------

# ours REPO_DIR ARGS...: vktgera on the generated repository, untimed, output
# to $work/last.*; returns its exit status. A status above 1 (the run could
# not start) ends the benchmark.
ours() {
  local dir=$1 status=0
  shift
  "$bin" --config "$dir/VKTGeraInstallBD.ini" "$@" >"$work/last.stdout" 2>"$work/last.stderr" ||
    status=$?
  if ((status > 1)); then
    echo "run.sh: vktgera $* failed with status $status:" >&2
    head -n 20 "$work/last.stderr" "$work/last.stdout" >&2
    exit 1
  fi
  return "$status"
}

# Bytes of all regular files below DIR whose path matches the -ipath PATTERN.
bytes_below() {
  [[ -d $1 ]] || { echo 0; return; }
  find "$1" -type f -ipath "$2" -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }'
}

# summary LABEL FIELD: "min median max" of field 1 (ns) or 2 (kB) of LABEL.
summary() {
  cut -d' ' -f"$2" "$work/times/$1" | sort -n | awk '
    { v[NR] = $1 }
    END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%s %s %s\n", v[1], m, v[NR]
    }'
}

per_us() { awk -v ns="$1" -v n="$2" 'BEGIN { printf "%.1f", ns / 1e3 / n }'; }
megabytes() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1e6 }'; }

manifest() { sed -n "s/^$2=//p" "$1/manifest.txt"; }

export work

mkdir -p "$work/times"
# How ICU reaches the program measured: the published figures are of a build
# with -DVKT_STATIC_CLI=ON (bench/README.md).
echo "vktgera: $bin (ICU linked $(icu_link "$bin"))"
echo "work:    $work"
read -r load _ </proc/loadavg
echo "machine: $(nproc) cores, load average $load"
if awk -v l="$load" -v c="$(nproc)" 'BEGIN { exit !(l > c) }'; then
  echo "warning: the machine is busy (load above its core count): timings will be noisy" >&2
fi
echo

# ---- comparisons: install vs cat vs cat + iconv ------------------------------

# compare NAME TYPES FILES SIZE TITLE: generates a repository of TYPES folders
# x FILES files per kind x SIZE bytes, and times install --type TODOS against
# cat and cat + iconv of the same listed files, interleaved, then prints the
# table and removes the repository.
compare() {
  local name=$1 ctypes=$2 cfiles=$3 csize=$4 title=$5
  local repo="$work/$name" floor="$work/floor"
  python3 "$here/make_repo.py" --out "$repo" --seed "$seed" --types "$ctypes" \
    --files "$cfiles" --size "$csize"
  local ora_bytes sql_bytes src_bytes
  ora_bytes=$(manifest "$repo" ora_bytes)
  sql_bytes=$(manifest "$repo" sql_bytes)
  src_bytes=$((ora_bytes + sql_bytes))
  mkdir -p "$floor"

  # Warm-up: every source file in the page cache, and one checked install run
  # (a complete repository must give no message lines).
  cat_iconv "$repo" "$floor"
  local status=0
  ours "$repo" install --repo BENCH --type TODOS || status=$?
  if ((status != 0)) || [[ -s $work/last.stdout ]]; then
    echo "warning: the install run ended with status $status and these messages:" >&2
    head -n 20 "$work/last.stdout" >&2
  fi
  local out_ora out_sql
  out_ora=$(bytes_below "$repo/out" '*/oracle/*')
  out_sql=$(bytes_below "$repo/out" '*/sql_server/*')
  echo "install output: $(megabytes "$out_ora") MB Oracle, $(megabytes "$out_sql") MB SQL Server" \
    "(cat floor $(megabytes "$ora_bytes") + $(megabytes "$sql_bytes") MB," \
    "iconv SQL half $(megabytes "$(wc -c <"$floor/sql16.out")") MB)"
  ((out_ora > 0 && out_sql > 0)) || die "the install run wrote no scripts under $repo/out"
  ((out_ora >= ora_bytes && out_sql >= 2 * sql_bytes)) ||
    echo "warning: install output is smaller than its sources: scripts missing?" >&2

  # Interleaved repetitions, so that load from other processes spreads evenly.
  local r
  for ((r = 1; r <= reps; r++)); do
    timed "install_$name" 1 "$bin" --config "$repo/VKTGeraInstallBD.ini" install --repo BENCH \
      --type TODOS
    # shellcheck disable=SC2016 # expanded by the inner bash
    timed "cat_$name" 0 bash -c 'cat_floor "$1" "$2"' _ "$repo" "$floor"
    # shellcheck disable=SC2016
    timed "cat_iconv_$name" 0 bash -c 'cat_iconv "$1" "$2"' _ "$repo" "$floor"
  done

  local i_min i_med c_min c_med x_min x_med i_rss
  read -r i_min i_med _ < <(summary "install_$name" 1)
  read -r c_min c_med _ < <(summary "cat_$name" 1)
  read -r x_min x_med _ < <(summary "cat_iconv_$name" 1)
  read -r _ _ i_rss < <(summary "install_$name" 2)

  echo
  echo "== $title: install --type TODOS, $(manifest "$repo" files_per_kind) files per kind," \
    "$(megabytes "$ora_bytes") MB .ora + $(megabytes "$sql_bytes") MB .sql, $reps repetitions"
  printf '%-22s %10s %10s\n' "" "min s" "median s"
  printf '%-22s %10s %10s\n' "vktgera install" "$(seconds "$i_min")" "$(seconds "$i_med")"
  printf '%-22s %10s %10s\n' "cat (floor)" "$(seconds "$c_min")" "$(seconds "$c_med")"
  printf '%-22s %10s %10s\n' "cat + iconv" "$(seconds "$x_min")" "$(seconds "$x_med")"
  printf '%-22s %10s %10s\n' "ours / cat" "$(ratio "$i_min" "$c_min")" "$(ratio "$i_med" "$c_med")"
  printf '%-22s %10s %10s\n' "ours / (cat + iconv)" "$(ratio "$i_min" "$x_min")" \
    "$(ratio "$i_med" "$x_med")"
  printf '%-22s %10s %10s\n' "throughput MB/s" \
    "$(awk -v b="$src_bytes" -v ns="$i_min" 'BEGIN { printf "%.0f", b / 1e6 / (ns / 1e9) }')" \
    "$(awk -v b="$src_bytes" -v ns="$i_med" 'BEGIN { printf "%.0f", b / 1e6 / (ns / 1e9) }')"
  echo "peak RSS of install: $((i_rss / 1024)) MB"
  echo
  rm -rf -- "$repo" "$floor"
}

# The floors start as few cat processes as the system's limit on a command
# line allows (100,000 paths need a few; xargs' default would start dozens).
cat_floor() {
  xargs -0 -s 2000000 cat <"$1/listed_ora.lst" >"$2/ora.out"
  xargs -0 -s 2000000 cat <"$1/listed_sql.lst" >"$2/sql.out"
}
cat_iconv() {
  xargs -0 -s 2000000 cat <"$1/listed_ora.lst" >"$2/ora.out"
  xargs -0 -s 2000000 cat <"$1/listed_sql.lst" >"$2/sql.tmp"
  iconv -f WINDOWS-1252 -t UTF-16LE "$2/sql.tmp" >"$2/sql16.out"
}
export -f cat_floor cat_iconv

if ((run_main)); then
  compare main "$types" "$files" "$size" "large scripts"
fi
if ((run_small)); then
  compare small "$small_types" "$small_files" "$small_size" "many small scripts"
fi

# ---- scaling series: one folder, growing file count -------------------------

if ((run_scaling)); then
  echo "== scaling: one folder (TABELAS), files of about $scale_size bytes per kind," \
    "$scale_reps repetitions, min time per listed name"
  # "marginal" is the cost of the files added since the previous step: the
  # program's fixed cost (start-up, companion copies) cancels out of it.
  printf '%8s  %10s %10s %8s  %10s %10s %8s\n' "" "install" "" "" "numbering" "" ""
  printf '%8s  %10s %10s %8s  %10s %10s %8s\n' "files" "us/file" "marginal" "peak MB" \
    "us/file" "marginal" "peak MB"
  per_file=()
  prev_n=0 prev_i=0 prev_m=0
  for n in $scaling; do
    repo="$work/scale_$n"
    python3 "$here/make_repo.py" --out "$repo" --seed "$seed" --type-names TABELAS \
      --files "$n" --size "$scale_size" >/dev/null
    xargs -0 cat <"$repo/listed_ora.lst" >/dev/null
    xargs -0 cat <"$repo/listed_sql.lst" >/dev/null
    # Warm-up runs, and a check that the numbering numbers every listed name.
    ours "$repo" install --repo BENCH --type TABELAS ||
      echo "warning: install of $n files ended with status 1: $(head -n 1 "$work/last.stdout")" >&2
    ours "$repo" numbering --repo BENCH --type TABELAS || true
    lines=$(grep -c '^FILE[0-9]*=' "$work/last.stdout" || true)
    ((lines == n)) || echo "warning: numbering of $n files gave $lines FILEn lines" >&2
    for ((r = 1; r <= scale_reps; r++)); do
      timed "install_$n" 1 "$bin" --config "$repo/VKTGeraInstallBD.ini" \
        install --repo BENCH --type TABELAS
      timed "numbering_$n" 0 "$bin" --config "$repo/VKTGeraInstallBD.ini" \
        numbering --repo BENCH --type TABELAS
    done
    read -r im _ < <(summary "install_$n" 1)
    read -r nm _ < <(summary "numbering_$n" 1)
    read -r _ _ irss < <(summary "install_$n" 2)
    read -r _ _ nrss < <(summary "numbering_$n" 2)
    ius=$(per_us "$im" "$n")
    nus=$(per_us "$nm" "$n")
    imarg=- nmarg=-
    if ((prev_n > 0 && n > prev_n)); then
      imarg=$(per_us "$((im - prev_i))" "$((n - prev_n))")
      nmarg=$(per_us "$((nm - prev_m))" "$((n - prev_n))")
    fi
    per_file+=("$ius $nus")
    printf '%8s  %10s %10s %8s  %10s %10s %8s\n' "$n" "$ius" "$imarg" "$((irss / 1024))" \
      "$nus" "$nmarg" "$((nrss / 1024))"
    prev_n=$n prev_i=$im prev_m=$nm
    rm -rf -- "$repo"
  done
  printf '%s\n' "${per_file[@]}" | awk '
    NR == 1 { imin = imax = $1; nmin = nmax = $2 }
    { if ($1 < imin) imin = $1; if ($1 > imax) imax = $1
      if ($2 < nmin) nmin = $2; if ($2 > nmax) nmax = $2 }
    END { printf "spread of time per file (max/min): install %.2f, numbering %.2f\n",
                 imax / imin, nmax / nmin }'
fi
