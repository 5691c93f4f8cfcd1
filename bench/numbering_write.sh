#!/usr/bin/env bash
# Times `vktgera numbering --write` of many new names into a large file list,
# once per encoding of the list. See bench/README.md.
#
#   bench/numbering_write.sh [--bin PATH] [--names N] [--list-mb M] [--reps N]
#                            [--encodings "utf16 cp1252 utf8"] [--workdir DIR] [--keep]
set -euo pipefail
bench=numbering_write.sh
# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
# The shell clock (EPOCHREALTIME) and awk must use "." as the decimal point.
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")

bin="$root/build/vktgera"
names=3000
list_mb=15
reps=5
encodings="utf16 cp1252 utf8"
workdir=""
keep=0

usage() {
  sed -n '2,6p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  cat <<'EOF'

  --bin PATH        vktgera to measure (default: build/vktgera of this checkout)
  --names N         new script names in the folder, each an .ora and a .sql (default 3000)
  --list-mb M       size of the file list in MB (10^6 bytes) in its encoding (default 15)
  --reps N          timed runs per encoding, each on a fresh copy of the list (default 5)
  --encodings LIST  any of utf16 (FF FE), cp1252 (no mark), utf8 (EF BB BF)
                    (default "utf16 cp1252 utf8")
  --workdir DIR     where to generate (default: a new folder under ${TMPDIR:-/tmp})
  --keep            keep the generated files
EOF
}



while [[ $# -gt 0 ]]; do
  case $1 in
    --bin) need_value "$@"; bin=$2; shift 2 ;;
    --names) need_value "$@"; names=$2; shift 2 ;;
    --list-mb) need_value "$@"; list_mb=$2; shift 2 ;;
    --reps) need_value "$@"; reps=$2; shift 2 ;;
    --encodings) need_value "$@"; encodings=$2; shift 2 ;;
    --workdir) need_value "$@"; workdir=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; die "unknown option: $1" ;;
  esac
done

for n in "$names" "$list_mb" "$reps"; do
  [[ $n =~ ^[0-9]+$ ]] || die "not a whole number: $n"
done
((reps >= 1 && names >= 1)) || die "--reps and --names must be at least 1"
for e in $encodings; do
  [[ $e == utf16 || $e == cp1252 || $e == utf8 ]] || die "unknown encoding: $e"
done
[[ -x $bin ]] || die "no executable vktgera at $bin (build it, or pass --bin PATH)"
bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")
command -v python3 >/dev/null || die "python3 is not installed"

make_work vktnumbench

# The repository: N new names in Tabelas (none of them listed yet), and one
# file list per encoding of about M MB: 19 sections of FILEn lines with
# accented names, [TABELAS] in the middle, so that a write must pass over
# large sections before and after it.
# shellcheck disable=SC2086 # one argument per encoding
python3 - "$work" "$names" "$list_mb" $encodings <<'EOF'
import os, sys

work, names, list_mb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
encodings = sys.argv[4:]
src = os.path.join(work, "repo", "Tabelas")
os.makedirs(src)
for i in range(1, names + 1):
    for ext in (".ora", ".sql"):
        with open(os.path.join(src, "NOVA_TABELA_%05d%s" % (i, ext)), "w") as f:
            f.write("-- x\n")
os.makedirs(os.path.join(work, "out"))

types = ["VIEWS", "FUNCTIONS", "PROCEDURES", "PACKAGES", "TRIGGERS", "SEQUENCES",
         "TEMPLATES", "GRANTS", "SINONIMOS", "TABELAS", "EVOLUCAO", "DADOS", "TABELAS2",
         "EVOLUCAO2", "TYPESRULESDEFAULTS", "OPCOES_MENU", "JOBS", "PROCEDURES_SQL_2005",
         "PACKAGES_SQL_2005"]

def body(target_bytes, width):
    # width: bytes per character of the encoding for this ASCII-heavy text
    per_section = target_bytes // width // len(types)
    parts = []
    for t in types:
        lines = ["[%s]" % t]
        size = 0
        n = 0
        entries = []
        while size < per_section:
            n += 1
            line = "FILE%d=SCRIPT_%s_%06d_ação" % (n, t, n)
            entries.append(line)
            size += len(line) + 2
        lines.append("NUMFILES=%d" % n)
        lines.extend(entries)
        parts.append("\r\n".join(lines) + "\r\n\r\n")
    return "; file list of the BENCH system\r\n" + "".join(parts)

for enc in encodings:
    width = 2 if enc == "utf16" else 1
    text = body(list_mb * 10**6, width)
    if enc == "utf16":
        data = b"\xff\xfe" + text.encode("utf-16-le")
    elif enc == "utf8":
        data = b"\xef\xbb\xbf" + text.encode("utf-8")
    else:
        data = text.encode("cp1252")
    with open(os.path.join(work, "list_%s.orig" % enc), "wb") as f:
        f.write(data)
    with open(os.path.join(work, "VKTGeraInstallBD_%s.ini" % enc), "w", newline="") as f:
        f.write("[GERAL]\r\nREPOSITORIO=BENCH\r\n[BENCH]\r\nSISTEMA=BENCH\r\n"
                "PathOrigem=%s\r\nPathDestino=%s\r\nArqConfigIni=%s\r\n"
                % (os.path.join(work, "repo"), os.path.join(work, "out"),
                   os.path.join(work, "list_%s.ini" % enc)))
EOF


# How ICU reaches the program measured: the published figures are of a build
# with -DVKT_STATIC_CLI=ON (bench/README.md).
echo "vktgera: $bin (ICU linked $(icu_link "$bin"))"
read -r load _ </proc/loadavg
echo "machine: $(nproc) cores, load average $load"
echo "numbering --type TABELAS --write of $names new names, $reps runs per list"
printf '%-8s %10s %10s %10s\n' "list" "MB" "min s" "median s"
for enc in $encodings; do
  config="$work/VKTGeraInstallBD_$enc.ini"
  list="$work/list_$enc.ini"
  times="$work/times_$enc"
  : >"$times"
  for ((r = 1; r <= reps; r++)); do
    cp "$work/list_$enc.orig" "$list"
    status=0
    t0=$EPOCHREALTIME
    "$bin" --config "$config" numbering --repo BENCH --type TABELAS --write \
      >"$work/last.stdout" 2>"$work/last.stderr" || status=$?
    t1=$EPOCHREALTIME
    if ((status != 0)) || ! grep -q ", $names new name(s) written\$" "$work/last.stderr"; then
      echo "numbering_write.sh: the $enc run ended with status $status:" >&2
      tail -n 5 "$work/last.stderr" >&2
      exit 1
    fi
    echo "$(((10#${t1/./} - 10#${t0/./}) * 1000))" >>"$times"
  done
  # A second run finds every name listed and writes nothing.
  "$bin" --config "$config" numbering --repo BENCH --type TABELAS --write \
    >"$work/last.stdout" 2>"$work/last.stderr" || true
  grep -q ", 0 new name(s) written\$" "$work/last.stderr" ||
    echo "warning: a second $enc run wrote names again: $(tail -n 1 "$work/last.stderr")" >&2
  mb=$(awk -v b="$(wc -c <"$work/list_$enc.orig")" 'BEGIN { printf "%.1f", b / 1e6 }')
  printf '%-8s %10s %10s %10s\n' "$enc" "$mb" "$(seconds "$(sort -n "$times" | head -n 1)")" \
    "$(seconds "$(median <"$times")")"
done
