#!/bin/sh
# `quorvel to-dnc -` against the script a user would write instead
# (bench/to_dnc_baseline.py on Debian's /usr/bin/python3), on the same
# generated input of each kind of name of the default workstation: the
# outputs must be identical; prints CPU seconds, names per second, peak
# memory and the ratio.
#   scripts/bench-batch.sh [N] [QUORVEL]   (N names of each kind, default 1000000)
# Then `--json to-dnc -` on the drive paths, and `from-dnc -` against
# `to-dnc -` on the DNC names the drive paths gave.
set -eu
N=${1:-1000000}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
QUORVEL=${2:-$ROOT/build/default/quorvel}
PYTHON=/usr/bin/python3
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
unset QUORVEL_WORKSTATION

"$PYTHON" - "$N" "$WORK" <<'PY'
import sys
n, work = int(sys.argv[1]), sys.argv[2]
kinds = {
    "drive": ["F:", "g:", "P:", "Q:", "H:", "S:"],
    "unc": [r"\\FS2\CAD", r"\\NW1\SYS", r"\\BUILD01\DROP", r"\\FS1\USERS"],
    "nds": [r"\\ACME_TREE\Acme\Sales\NW1_DATA", r"\\ACME_TREE\Acme\Engineering\NW2_PROJ",
            r"\\ACME_TREE\Acme\Sales\NW1_SYS", r"\\ACME_TREE\Acme\Engineering\NW2_SYS"],
}
for kind, heads in kinds.items():
    with open(f"{work}/{kind}.txt", "w") as f:
        for i in range(n):
            f.write("%s\\dir%d\\sub\\file%d.doc\n" % (heads[i % len(heads)], i % 97, i))
PY

# CPU seconds (user + system) and peak resident KiB of one run.
measure() {
    out=$1
    shift
    /usr/bin/time -f "%U %S %M" -o "$WORK/time" "$@" > "$out"
    # (a last line: /usr/bin/time puts a non-zero exit status first)
    tail -n 1 "$WORK/time" | awk '{ printf "%.3f %d", $1 + $2, $3 }'
}

printf '%-6s %9s | %-28s | %-28s | %s\n' kind names "quorvel to-dnc - (s, names/s, peak)" "python3 baseline (s, peak)" "ratio"
for kind in drive unc nds; do
    set -- $(measure "$WORK/q.out" "$QUORVEL" to-dnc - < "$WORK/$kind.txt")
    qs=$1 qm=$2
    set -- $(measure "$WORK/p.out" "$PYTHON" "$ROOT/bench/to_dnc_baseline.py" < "$WORK/$kind.txt")
    ps=$1 pm=$2
    if ! cmp -s "$WORK/q.out" "$WORK/p.out"; then
        echo "$kind: the outputs differ" >&2
        diff "$WORK/q.out" "$WORK/p.out" | head -5 >&2
        exit 1
    fi
    cp "$WORK/q.out" "$WORK/q.$kind"
    awk -v k="$kind" -v n="$N" -v qs="$qs" -v qm="$qm" -v ps="$ps" -v pm="$pm" 'BEGIN {
        printf "%-6s %9d | %6.2f s %6.2f M/s %6.1f MiB | %6.2f s %8.1f MiB        | %5.1fx\n",
               k, n, qs, (qs > 0 ? n / qs / 1e6 : 0), qm / 1024, ps, pm / 1024, (qs > 0 ? ps / qs : 0) }'
done

# The same drive paths as JSON Lines (no baseline: one object per name).
set -- $(measure "$WORK/j.out" "$QUORVEL" --json to-dnc - < "$WORK/drive.txt")
if [ "$(wc -l < "$WORK/j.out")" -ne "$N" ]; then
    echo "json: $N lines expected" >&2
    exit 1
fi
awk -v n="$N" -v qs="$1" -v qm="$2" 'BEGIN {
    printf "%-6s %9d | %6.2f s %6.2f M/s %6.1f MiB | --json\n", "json", n, qs, (qs > 0 ? n / qs / 1e6 : 0), qm / 1024 }'

# The other direction: the DNC names the drive paths gave, back to their UNC
# and drive paths (`from-dnc -`), against `to-dnc -` on the same names.
cut -f2 "$WORK/q.drive" > "$WORK/dnc.txt"
set -- $(measure "$WORK/f.out" "$QUORVEL" from-dnc - < "$WORK/dnc.txt")
fs=$1 fm=$2
set -- $(measure "$WORK/t.out" "$QUORVEL" to-dnc - < "$WORK/dnc.txt")
awk -v n="$N" -v fs="$fs" -v fm="$fm" -v ts="$1" 'BEGIN {
    printf "%-6s %9d | %6.2f s %6.2f M/s %6.1f MiB | from-dnc -; to-dnc - on the same names %.2f s: %.2fx\n",
           "dnc", n, fs, (fs > 0 ? n / fs / 1e6 : 0), fm / 1024, ts, (ts > 0 ? fs / ts : 0) }'
