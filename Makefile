# Tarnwick: top-level entry points.
#   make test   install what is missing, build, run every test, then again
#               under ASan+UBSan, the thread tests under TSan, and the fuzz
#               targets briefly
#   make fuzz   run each fuzz target for FUZZ_SECONDS (default 60)
#   make bench  build and run the micro-benchmarks
#   make demo   install what is missing, build, run tarnwick on the embedded
#               engine against examples/
.PHONY: all deps build test test-unit test-asan test-tsan fuzz fuzz-smoke bench bench-compare demo clean

BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
# The test builds treat warnings as errors; `make demo` on another compiler
# does not.
CI_FLAGS := -DTARNWICK_WERROR=ON
CTEST := ctest --output-on-failure --timeout 600
# The client-library tests reach a throw-away PostgreSQL server that this
# wrapper starts before ctest and stops after it.
WITH_PG := $(CURDIR)/scripts/with-pg-test-server
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 15
FUZZ_TARGETS := fuzz_decode_narrow fuzz_split fuzz_statement_reader fuzz_replay_log fuzz_server_log \
  fuzz_arguments fuzz_commands fuzz_result_table fuzz_ql_sqlite

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B build $(CMAKE_FLAGS) >/dev/null
	cmake --build build

test: test-unit test-asan test-tsan fuzz-smoke

# The end-to-end tests of the console use a throw-away PostgreSQL server.
test-unit: deps
	cmake -S . -B build $(CMAKE_FLAGS) $(CI_FLAGS) >/dev/null
	cmake --build build
	cd build && $(WITH_PG) $(CTEST)

test-asan: deps
	cmake -S . -B build-asan $(CMAKE_FLAGS) $(CI_FLAGS) -DTARNWICK_SANITIZE=address -DTARNWICK_BUILD_BENCH=OFF >/dev/null
	cmake --build build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 $(WITH_PG) $(CTEST)

# ThreadSanitizer needs address-space randomisation narrowed on recent
# kernels; setarch -R turns it off for the test processes only.
test-tsan: deps
	cmake -S . -B build-tsan $(CMAKE_FLAGS) $(CI_FLAGS) -DTARNWICK_SANITIZE=thread -DTARNWICK_BUILD_BENCH=OFF >/dev/null
	cmake --build build-tsan
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 setarch -R $(WITH_PG) $(CTEST) -L tsan

build-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_FLAGS) $(CI_FLAGS) -DTARNWICK_SANITIZE=fuzzer >/dev/null
	cmake --build build-fuzz

fuzz-smoke: build-fuzz
	@$(MAKE) --no-print-directory run-fuzz FUZZ_SECONDS=$(FUZZ_SMOKE_SECONDS)

fuzz: build-fuzz
	@$(MAKE) --no-print-directory run-fuzz

run-fuzz:
	@set -e; for target in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$target; \
	  echo "fuzz: $$target for $(FUZZ_SECONDS) s"; \
	  build-fuzz/tests/fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 -malloc_limit_mb=64 \
	    -print_final_stats=1 build-fuzz/corpus/$$target tests/fuzz/corpus/$$target \
	    2>build-fuzz/$$target.log || { tail -50 build-fuzz/$$target.log; exit 1; }; \
	  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' build-fuzz/$$target.log; \
	done

bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNWICK_BUILD_TESTS=OFF >/dev/null
	cmake --build build-bench
	@for b in build-bench/bench/*_bench; do echo "== $$b"; $$b --benchmark_min_time=0.2; done
	@echo "== bench/compare/allocators.sh"; bench/compare/allocators.sh build-bench

# bench/compare: tarnwick against sqlite3 and psql on the same work.
bench-compare: build
	bench/compare/console.sh build/app/tarnwick
	bench/compare/corpus.sh build/app/tarnwick
	bench/compare/render.sh build/app/tarnwick

demo: build
	cd examples && ../build/app/tarnwick --host=sqlite::memory: --mode=w --sql=tour.sql,after_quit.sql

clean:
	rm -rf build build-asan build-tsan build-fuzz build-bench
