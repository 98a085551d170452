#!/usr/bin/env bash
# Times the record file with 200,000 entries against peer tools on the same data, in one run:
#   load  = krv dump (validity check, read, four-key sort, index)   vs  LC_ALL=C sort -s of the lines
#   tree  = krv tree (the same load, then the tree items)           vs  the same sort
#   search = krv search (load, then the search over the index)       vs  load + grep -c -i -F over the keys
#   shown = the tree control filled and painted, and the search over the loaded index alone
#           (record_tree_bench, when built; compare with "grep alone")
# Usage: bench/records/run.sh [BUILD_DIR] [COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build/release}
count=${2:-200000}
krv="$build/tools/krv/krv"
[ -x "$krv" ] || { echo "krv not found in $build (build the krv target first)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$root/tools/record_generator/make_records.py" "$count" "$work/Gross.tsv"
"$krv" make "$work/Gross.tsv" "$work/Gross.krv"
tail -n +2 "$work/Gross.tsv" > "$work/lines.tsv"
"$krv" index "$work/Gross.krv" | cut -f1 > "$work/keys.txt"

# Best of three wall-clock runs, in seconds.
best() {
  local best_time=""
  for _ in 1 2 3; do
    local start end t
    start=$(date +%s.%N)
    "$@" > /dev/null
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best_time" ] || [ "$(echo "$t < $best_time" | bc -l)" = 1 ]; then best_time=$t; fi
  done
  printf '%.3f' "$best_time"
}

tab=$'\t'
sort_t=$(best env LC_ALL=C sort -s -t "$tab" -k1,1 -k2,2 -k3,3 -k4,4 "$work/lines.tsv")
dump_t=$(best "$krv" dump "$work/Gross.krv")
tree_t=$(best "$krv" tree "$work/Gross.krv")
grep_t=$(best grep -c -i -F kirchenbuch "$work/keys.txt")
search_t=$(best "$krv" search "$work/Gross.krv" kirchenbuch)

ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }
echo "entries: $count"
echo "load   krv dump   ${dump_t}s   sort ${sort_t}s   ratio $(ratio "$dump_t" "$sort_t")"
echo "tree   krv tree   ${tree_t}s   sort ${sort_t}s   ratio $(ratio "$tree_t" "$sort_t")"
echo "search krv search ${search_t}s (load included)   dump+grep $(echo "$dump_t + $grep_t" | bc -l | xargs printf '%.3f')s   grep alone ${grep_t}s"
if [ -x "$build/bench/records/record_tree_bench" ]; then
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/records/record_tree_bench" "$work/Gross.krv"
fi
