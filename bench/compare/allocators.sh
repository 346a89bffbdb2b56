#!/usr/bin/env bash
# Compares the slab allocator with glibc's malloc, jemalloc, mimalloc and
# tcmalloc (Debian's packages, loaded with LD_PRELOAD) in one run: ns per
# free+malloc pair with 10,000 live blocks per thread, random sizes 1-512 and
# 1-64 bytes, 1 and 2 threads, and the peak RSS of each process. Each cell is
# the fastest of REPEAT runs, each run its own process.
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

declare -A ns rss
for size in 512 64; do
  for threads in 1 2; do
    for i in "${!names[@]}"; do
      name=${names[$i]}
      program=$plain
      [[ $name == slab ]] && program=$slab
      best=
      for ((run = 0; run < repeat; ++run)); do
        read -r time kib < <(LD_PRELOAD=${preloads[$i]} "$program" "$size" "$threads" "$pairs")
        if [[ -z $best ]] || awk -v a="$time" -v b="$best" 'BEGIN { exit !(a < b) }'; then
          best=$time
        fi
      done
      ns[$name,$size,$threads]=$best
      rss[$name,$size,$threads]=$((kib / 1024))
    done
  done
done

printf '| sizes | threads |'
for name in "${names[@]}"; do printf ' %s ns (MiB) |' "$name"; done
printf ' slab / glibc | slab / jemalloc | slab / mimalloc |\n|---|---|'
for _ in "${names[@]}"; do printf -- '---|'; done
printf -- '---|---|---|\n'
for size in 512 64; do
  for threads in 1 2; do
    printf '| 1-%s | %s |' "$size" "$threads"
    for name in "${names[@]}"; do
      printf ' %s (%s) |' "${ns[$name,$size,$threads]}" "${rss[$name,$size,$threads]}"
    done
    for peer in glibc jemalloc mimalloc; do
      awk -v a="${ns[slab,$size,$threads]}" -v b="${ns[$peer,$size,$threads]}" \
        'BEGIN { printf " %.2f |", a / b }'
    done
    printf '\n'
  done
done
