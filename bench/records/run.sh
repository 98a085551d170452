#!/usr/bin/env bash
# Times record files of each size given (default 200,000 and 2,000,000 entries) against peer
# tools on the same data, in one run, then prints how each cost grows from the smallest size to
# the largest (ten times the entries should cost about ten times, not twenty):
#   load   = krv search for a text that is never found (validity check, read, four-key sort,
#            index; no output)                                     vs  LC_ALL=C sort -s of the lines
#   dump   = krv dump (the same load, then every entry written)   vs  the same sort
#   tree   = krv tree (the same load, then the tree items)         vs  the same sort
#   search = krv search (load, then the search over the index)     vs  load + grep -c -i -F over the keys
#   memory = peak resident memory of the load against the file's size and against sort's peak
#   shown  = the tree control filled and painted, and the search over the loaded index alone
#            (record_tree_bench, when built; compare with "grep alone")
# Targets: load at most 1.0x sort and peak memory at most 2x the file at every size; tree shown
# under 0.5 s at 200,000 and under 3 s at 2,000,000 entries; the search over the 2,000,000-entry
# index under 0.2 s. The largest size needs about 2 GB of memory and several minutes.
# Usage: bench/records/run.sh [BUILD_DIR] [COUNT ...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build/release}
shift $(($# > 0 ? 1 : 0))
counts=("$@")
((${#counts[@]})) || counts=(200000 2000000)
krv="$build/tools/krv/krv"
[ -x "$krv" ] || { echo "krv not found in $build (build the krv target first)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed for the memory figures" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

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

# Peak resident memory of one run, in kilobytes.
peak_kb() {
  /usr/bin/time -f '%M' -o "$work/peak" "$@" > /dev/null
  tail -n 1 "$work/peak"
}

ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }
tab=$'\t'
nohit=zzzz-nirgends
# Figures of each size, by name and size, for the growth at the end.
declare -A fig

# measure COUNT: makes the record file, prints the size's figures and keeps them in fig.
measure() {
  local count=$1
  python3 "$root/tools/record_generator/make_records.py" "$count" "$work/Gross.tsv"
  "$krv" make "$work/Gross.tsv" "$work/Gross.krv"
  tail -n +2 "$work/Gross.tsv" > "$work/lines.tsv"
  rm "$work/Gross.tsv"
  "$krv" index "$work/Gross.krv" | cut -f1 > "$work/keys.txt"
  local sort_cmd=(env LC_ALL=C sort -s -t "$tab" -k1,1 -k2,2 -k3,3 -k4,4 "$work/lines.tsv")
  local sort_t load_t dump_t tree_t grep_t search_t file_kb load_kb sort_kb idle_kb
  sort_t=$(best "${sort_cmd[@]}")
  load_t=$(best "$krv" search "$work/Gross.krv" "$nohit")
  dump_t=$(best "$krv" dump "$work/Gross.krv")
  tree_t=$(best "$krv" tree "$work/Gross.krv")
  grep_t=$(best grep -c -i -F kirchenbuch "$work/keys.txt")
  search_t=$(best "$krv" search "$work/Gross.krv" kirchenbuch)
  file_kb=$(( $(stat -c %s "$work/Gross.krv") / 1024 ))
  load_kb=$(peak_kb "$krv" search "$work/Gross.krv" "$nohit")
  sort_kb=$(peak_kb "${sort_cmd[@]}")
  idle_kb=$(peak_kb "$krv" check "$work/Gross.krv")
  echo "entries: $count, file $(( file_kb / 1024 )) MB, load average $(cut -d' ' -f1 /proc/loadavg)"
  echo "load   krv search (no hit) ${load_t}s   sort ${sort_t}s   ratio $(ratio "$load_t" "$sort_t") (target <= 1)"
  echo "dump   krv dump   ${dump_t}s   sort ${sort_t}s   ratio $(ratio "$dump_t" "$sort_t")"
  echo "tree   krv tree   ${tree_t}s   sort ${sort_t}s   ratio $(ratio "$tree_t" "$sort_t")"
  echo "search krv search ${search_t}s (load included)   load+grep $(echo "$load_t + $grep_t" | bc -l | xargs printf '%.3f')s   grep alone ${grep_t}s"
  echo "memory krv search (no hit) peak $(( load_kb / 1024 )) MB = $(ratio "$load_kb" "$file_kb") x file (target <= 2; krv alone $(( idle_kb / 1024 )) MB)   sort peak $(( sort_kb / 1024 )) MB = $(ratio "$sort_kb" "$file_kb") x file"
  fig[load,$count]=$load_t fig[sort,$count]=$sort_t fig[memory,$count]=$load_kb
  fig[file,$count]=$file_kb fig[search,$count]=$search_t
  if [ -x "$build/bench/records/record_tree_bench" ]; then
    local out target=500
    ((count >= 2000000)) && target=3000
    out=$(QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/records/record_tree_bench" "$work/Gross.krv" 2>/dev/null)
    echo "$out" | sed "s/(target)/(target $target)/"
    fig[shown,$count]=$(sed -n 's/.*tree shown \([0-9]*\) ms (target.*/\1/p' <<<"$out")
    fig[index_search,$count]=$(sed -n 's/^search .*: \([0-9.]*\) ms.*/\1/p' <<<"$out")
  fi
  rm -f "$work/Gross.krv" "$work/lines.tsv" "$work/keys.txt"
}

for count in "${counts[@]}"; do
  measure "$count"
done

# How each cost grows from the smallest size to the largest.
if ((${#counts[@]} > 1)); then
  small=${counts[0]} large=${counts[-1]}
  echo "growth from $small to $large entries ($(ratio "$large" "$small") x the entries):"
  for name in file load sort memory search shown index_search; do
    a=${fig[$name,$small]:-} b=${fig[$name,$large]:-}
    [ -n "$a" ] && [ -n "$b" ] || continue
    if [ "$(echo "$a > 0" | bc -l)" = 1 ]; then
      echo "  $name: $a -> $b, $(ratio "$b" "$a") x"
    else
      echo "  $name: $a -> $b"
    fi
  done
  echo "  (file and memory in kB, shown and index_search in ms, the others in s)"
fi
