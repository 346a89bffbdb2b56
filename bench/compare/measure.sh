# Sourced by the bench/compare scripts.
# measure COMMAND...: wall seconds, peak RSS (KiB) and CPU seconds (user +
# system) of a command, its output thrown away, on one line.
measure() {
  python3 - "$@" <<'PY'
import resource, subprocess, sys, time
start = time.monotonic()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
elapsed = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{elapsed:.3f} {usage.ru_maxrss} {usage.ru_utime + usage.ru_stime:.3f}")
PY
}
