#!/usr/bin/env bash
# The main job of quorvel on the embedded default workstation: paths on
# mapped drives, a UNC path and NDS names become DNC names, and DNC names
# become the UNC path and every mapped-drive path again.
set -euo pipefail
q="${1:-build/default/quorvel}"

step() { printf '\n$ quorvel %s\n' "$*"; "$q" "$@"; }

echo "== Storing paths: each name becomes its DNC name =="
step to-dnc 'F:\REPORTS\2026\summary.txt'
step to-dnc 'G:\Specs\pump.doc'
step to-dnc 'P:\Plans\q1.txt'
step to-dnc 'Q:\budget.xls'
step to-dnc 'H:\Manuals 2026\setup.pdf'
step to-dnc '\\FS2\CAD\drawings\valve.dwg'
step to-dnc '\\ACME_TREE\Acme\Sales\NW1_DATA\REPORTS\2026'
step to-dnc '\\ACME_TREE\OU=Acme\OU=Engineering\NW2_PROJ\Specs'

echo
echo "== Opening stored paths: the UNC path and every mapped drive that reaches it =="
step from-dnc '\\NW1\DATA\REPORTS\2026\summary.txt'
step from-dnc '\\FS1\PROJECTS\2026\budget.xls'
step from-dnc '\\FS2\PUBLIC\DOCUME~1\Manuals 2026\setup.pdf'

echo
echo "== A whole catalogue at once (one name per line on standard input) =="
printf '%s\n' 'F:\REPORTS\a.txt' 'Q:\b.txt' '\\FS1\USERS\maria\c.txt' 'X:\not\mapped' \
  | { printf '\n$ quorvel to-dnc -\n'; "$q" to-dnc - || true; }
