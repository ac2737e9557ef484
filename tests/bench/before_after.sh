#!/bin/sh
# Each benchmark of two builds, run one after the other (the earlier build's first),
# with each figure beside the earlier one:
#   tests/bench/before_after.sh BEFORE_BENCH_DIR AFTER_BENCH_DIR
# A figure is the first time (s, ms, us) or size (MB) after a run of blanks on a line;
# lines are paired by the text before the figure (the n-th of a text with the n-th).
set -u
before=$1 after=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
for b in "$after"/bench_*; do
  [ -x "$b" ] || continue
  name=$(basename "$b")
  if [ ! -x "$before/$name" ]; then echo "== $name: not in $before"; continue; fi
  "$before/$name" >"$out/before" 2>&1 || echo "(the earlier $name failed)" >>"$out/before"
  "$b" >"$out/after" 2>&1 || status=1
  printf '== %-48s %16s %16s\n' "$name" before after
  awk '
    function figure(s) {
      if (!match(s, /  +[0-9][0-9.]* (s|ms|us|MB)([ )]|$)/)) return 0
      fig = substr(s, RSTART, RLENGTH); sub(/[ )]$/, "", fig); sub(/^ +/, "", fig)
      label = substr(s, 1, RSTART - 1)
      return 1
    }
    FNR == NR { if (figure($0)) was[label, ++seen[label]] = fig; next }
    figure($0) {
      n = ++again[label]
      printf "%-51s %16s %16s\n", label, ((label, n) in was) ? was[label, n] : "-", fig; next
    }
    { print }
  ' "$out/before" "$out/after"
done
exit $status
