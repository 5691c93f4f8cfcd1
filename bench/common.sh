# What the benchmark scripts share. Sourced by them after they set `bench`
# (their name, for messages); `keep` and `workdir` come from their options.

die() {
  echo "$bench: $*" >&2
  exit 2
}

need_value() { [[ $# -ge 2 && -n $2 ]] || die "$1 needs a value"; }

# make_work PREFIX: sets `work` to a new folder PREFIX.XXXXXX below --workdir
# (or $TMPDIR, or /tmp), removed at exit unless --keep.
make_work() {
  if [[ -n $workdir ]]; then
    mkdir -p "$workdir"
    work=$(mktemp -d "$(cd "$workdir" && pwd)/$1.XXXXXX")
  else
    work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
  fi
  trap cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

cleanup() {
  if ((keep)); then
    echo "kept: $work" >&2
  else
    rm -rf -- "$work"
  fi
}

# timed LABEL ALLOWED_STATUS CMD...: runs CMD, its stdout and stderr to
# $work/last.stdout and $work/last.stderr, and appends "<wall ns> <peak RSS kB>"
# to $work/times/LABEL. The clock is the shell's own (no process is started to
# read it). Only the first run of a label goes under GNU time for its peak
# memory (its RSS field; 0 in the others), so the minimum time comes from runs
# without that wrapper. Exit statuses up to ALLOWED_STATUS are accepted; any
# other ends the benchmark.
timed() {
  local label=$1 allowed=$2
  shift 2
  local t0 t1 status=0 rss=0
  mkdir -p "$work/times"
  if [[ ! -e $work/times/$label ]]; then
    t0=$EPOCHREALTIME
    /usr/bin/time -f %M -o "$work/rss" "$@" >"$work/last.stdout" 2>"$work/last.stderr" ||
      status=$?
    t1=$EPOCHREALTIME
    rss=$(tail -n 1 "$work/rss")
  else
    t0=$EPOCHREALTIME
    "$@" >"$work/last.stdout" 2>"$work/last.stderr" || status=$?
    t1=$EPOCHREALTIME
  fi
  if ((status > allowed)); then
    echo "$bench: '$label' failed with status $status: $*" >&2
    head -n 20 "$work/last.stderr" "$work/last.stdout" >&2
    exit 1
  fi
  # EPOCHREALTIME is seconds with six decimals: drop the point for microseconds.
  echo "$(((10#${t1/./} - 10#${t0/./}) * 1000)) $rss" >>"$work/times/$label"
}

seconds() { awk -v ns="$1" 'BEGIN { printf "%.3f", ns / 1e9 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
icu_link() { if ldd "$1" 2>/dev/null | grep -q 'libicuuc\.so'; then echo dynamically; else echo statically; fi; }
