#!/usr/bin/env bash
# Time and peak memory of `vktgera install` and `vktgera check` on a file
# list of millions of keys. See bench/README.md.
#
#   bench/list_memory.sh [--bin PATH] [--baseline PATH] [--shapes "above sections"]
#                        [--reps N] [--workdir DIR] [--keep]
set -euo pipefail
bench=list_memory.sh
# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
# The shell clock (EPOCHREALTIME) and awk must use "." as the decimal point.
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")

bin="$root/build/vktgera"
baseline=""
shapes="above sections"
reps=3
workdir=""
keep=0

usage() {
  sed -n '2,6p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  cat <<'EOF'

  --bin PATH       vktgera to measure (default: build/vktgera of this checkout)
  --baseline PATH  another vktgera (an older build), timed on the same lists,
                   interleaved with the first
  --shapes LIST    which lists (default "above sections"):
                   above     [TABELAS] lists 10 scripts, then FILE11..FILE4400000=X
                             above its NUMFILES (4.4 million keys, 64.9 MB), each of
                             which check reports
                   sections  5,500 sections [ARQUIVO_n] of FILE1..FILE1000=X after
                             the type sections (5.5 million keys, 60.1 MB) that no
                             run reads but every run parses
  --reps N         timed runs of each command per list (default 3)
  --workdir DIR    where to generate (default: a new folder under ${TMPDIR:-/tmp})
  --keep           keep the generated files
EOF
}

while [[ $# -gt 0 ]]; do
  case $1 in
    --bin) need_value "$@"; bin=$2; shift 2 ;;
    --baseline) need_value "$@"; baseline=$2; shift 2 ;;
    --shapes) need_value "$@"; shapes=$2; shift 2 ;;
    --reps) need_value "$@"; reps=$2; shift 2 ;;
    --workdir) need_value "$@"; workdir=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; die "unknown option: $1" ;;
  esac
done

[[ $reps =~ ^[0-9]+$ ]] || die "not a whole number: $reps"
((reps >= 1)) || die "repetitions must be at least 1"
for s in $shapes; do
  [[ $s == above || $s == sections ]] || die "unknown shape: $s"
done
[[ -x $bin ]] || die "no executable vktgera at $bin (build it, or pass --bin PATH)"
bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")
programs=(ours)
if [[ -n $baseline ]]; then
  [[ -x $baseline ]] || die "no executable vktgera at $baseline"
  baseline=$(cd "$(dirname "$baseline")" && pwd)/$(basename "$baseline")
  programs+=(baseline)
fi
command -v python3 >/dev/null || die "python3 is not installed"
[[ -x /usr/bin/time ]] || die "/usr/bin/time (GNU time) is not installed"

make_work vktlist

# grow LIST SHAPE: adds the shape's keys to the generated file list.
grow() {
  python3 - "$1" "$2" <<'EOF'
import sys
path, shape = sys.argv[1], sys.argv[2]
data = open(path, 'rb').read()
if shape == 'above':
    at = data.index(b'[EVOLUCAO]')
    keys = b''.join(b'FILE%d=X\r\n' % k for k in range(11, 4400001))
    data = data[:at] + keys + data[at:]
else:
    data += b''.join(b'\r\n[ARQUIVO_%d]\r\nNUMFILES=1000\r\n' % s +
                     b''.join(b'FILE%d=X\r\n' % k for k in range(1, 1001))
                     for s in range(1, 5501))
open(path, 'wb').write(data)
EOF
}

# summary LABEL: "min median" of the wall times (ns) of LABEL.
summary() {
  cut -d' ' -f1 "$work/times/$1" | sort -n | awk '
    { v[NR] = $1 }
    END { printf "%s %s\n", v[1], (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "vktgera: $bin (ICU linked $(icu_link "$bin"))"
[[ -z $baseline ]] || echo "baseline: $baseline (ICU linked $(icu_link "$baseline"))"
echo "work:    $work"
read -r load _ </proc/loadavg
echo "machine: $(nproc) cores, load average $load"
if awk -v l="$load" -v c="$(nproc)" 'BEGIN { exit !(l > c) }'; then
  echo "warning: the machine is busy (load above its core count): timings will be noisy" >&2
fi
echo
row() { printf '%-9s %-9s %6s  %-8s %9s %9s %9s %8s\n' "$@"; }
row "list" "program" "MB" "command" "min s" "median s" "peak MB" "B/byte"

for shape in $shapes; do
  repo="$work/repo_$shape"
  python3 "$here/make_repo.py" --out "$repo" --seed 1 --type-names TABELAS --files 10 \
    --size 300 >/dev/null
  list="$repo/BENCH_arquivos.ini"
  grow "$list" "$shape"
  bytes=$(stat -c %s "$list")
  config="$repo/VKTGeraInstallBD.ini"
  for ((r = 1; r <= reps; r++)); do
    for program in "${programs[@]}"; do
      exe=$bin
      [[ $program == ours ]] || exe=$baseline
      for command in install check; do
        # check reports problems (status 1) on the "above" list: its keys.
        timed "${shape}_${program}_$command" 1 "$exe" --config "$config" "$command" \
          --repo BENCH --type TABELAS
      done
    done
  done
  for program in "${programs[@]}"; do
    for command in install check; do
      read -r t_min t_med < <(summary "${shape}_${program}_$command")
      # Only the first run of a label measures memory; the others give 0.
      rss=$(awk '$2 > m { m = $2 } END { print m + 0 }' "$work/times/${shape}_${program}_$command")
      row "$shape" "$program" "$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1e6 }')" "$command" \
        "$(seconds "$t_min")" "$(seconds "$t_med")" "$((rss / 1024))" \
        "$(awk -v k="$rss" -v b="$bytes" 'BEGIN { printf "%.1f", k * 1024 / b }')"
    done
  done
  rm -rf -- "$repo"
done
