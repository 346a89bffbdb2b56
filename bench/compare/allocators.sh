#!/usr/bin/env bash
# Compares the slab allocator with glibc's malloc, jemalloc, mimalloc and
# tcmalloc (Debian's packages, loaded with LD_PRELOAD) in one run: ns per
# free+malloc pair with 10,000 live blocks per thread, random sizes 1-512 and
# 1-64 bytes, 1, 2 and 4 threads, and a producer/consumer row (one thread
# allocates, another frees, 10,000 blocks in flight; ns per block); and the
# peak RSS of each process in MiB. Each cell is the fastest of REPEAT runs,
# each run its own process, with the slowest after a slash (the spread); the
# RSS is that of the fastest run. The ratios compare the fastest runs. The
# allocators take turns, run by run.
#
#   bench/compare/allocators.sh [BUILD_DIR]     (default build-bench; make bench runs it)
set -euo pipefail

build=${1:-build-bench}
lib=/usr/lib/x86_64-linux-gnu
plain=$build/bench/compare/alloc_compare
slab=$build/bench/compare/alloc_compare_slab
pairs=${PAIRS:-10000000}   # free+malloc pairs per thread and run
repeat=${REPEAT:-3}        # runs per cell; the fastest counts (the machine may be shared)

names=(slab glibc jemalloc mimalloc tcmalloc)
preloads=("" "" "$lib/libjemalloc.so.2" "$lib/libmimalloc.so.2" "$lib/libtcmalloc_minimal.so.4")
rows=("512 1" "512 2" "512 4" "512 pc" "64 1" "64 2" "64 4" "64 pc")

declare -A ns slowest rss kib
# The allocators take turns run by run, so that a noisy stretch of a shared
# machine falls on all of them rather than on one allocator's runs.
for row in "${rows[@]}"; do
  read -r size threads <<<"$row"
  for ((run = 0; run < repeat; ++run)); do
    for i in "${!names[@]}"; do
      name=${names[$i]}
      program=$plain
      [[ $name == slab ]] && program=$slab
      read -r time run_kib < <(LD_PRELOAD=${preloads[$i]} "$program" "$size" "$threads" "$pairs")
      if [[ -z ${ns[$name,$row]:-} ]] || awk -v a="$time" -v b="${ns[$name,$row]}" 'BEGIN { exit !(a < b) }'; then
        ns[$name,$row]=$time
        kib[$name,$row]=$run_kib
      fi
      if [[ -z ${slowest[$name,$row]:-} ]] || awk -v a="$time" -v b="${slowest[$name,$row]}" 'BEGIN { exit !(a > b) }'; then
        slowest[$name,$row]=$time
      fi
    done
  done
  for name in "${names[@]}"; do
    rss[$name,$row]=$(awk -v k="${kib[$name,$row]}" 'BEGIN { printf "%.1f", k / 1024 }')
  done
done

printf '| sizes | threads |'
for name in "${names[@]}"; do printf ' %s ns/slowest (MiB) |' "$name"; done
printf ' slab / glibc | slab / jemalloc | slab / mimalloc | RSS slab / mimalloc |\n|---|---|'
for _ in "${names[@]}"; do printf -- '---|'; done
printf -- '---|---|---|---|\n'
for row in "${rows[@]}"; do
  read -r size threads <<<"$row"
  label=$threads
  [[ $threads == pc ]] && label="1 → 1 (producer/consumer)"
  printf '| 1-%s | %s |' "$size" "$label"
  for name in "${names[@]}"; do
    printf ' %s/%s (%s) |' "${ns[$name,$row]}" "${slowest[$name,$row]}" "${rss[$name,$row]}"
  done
  for peer in glibc jemalloc mimalloc; do
    awk -v a="${ns[slab,$row]}" -v b="${ns[$peer,$row]}" 'BEGIN { printf " %.2f |", a / b }'
  done
  awk -v a="${rss[slab,$row]}" -v b="${rss[mimalloc,$row]}" 'BEGIN { printf " %.2f |", a / b }'
  printf '\n'
done
