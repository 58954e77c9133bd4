# Thin front for the CMake presets: `make` builds build/release, `make run` plays,
# `make test` runs the whole suite in a release build and in a sanitizer build.
.PHONY: all run test release sanitize fuzz bench clean

FUZZ_SECONDS ?= 60

all: release

release:
	cmake --preset release >/dev/null
	cmake --build --preset release

run: release
	./build/release/pasianssi

sanitize:
	cmake --preset sanitize >/dev/null
	cmake --build --preset sanitize

test: release sanitize
	ctest --preset release -j 2
	ctest --preset sanitize -j 2
	$(MAKE) fuzz FUZZ_SECONDS=30

# Each fuzz target for FUZZ_SECONDS, from the seed corpus in tests/fuzz/corpus; new inputs
# are kept in build/fuzz/corpus, never in the repository.
fuzz:
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	tests/fuzz/run.sh $(FUZZ_SECONDS) input_lines answer_loop

bench:
	cmake --preset release -DPASIANSSI_BENCH=ON >/dev/null
	cmake --build --preset release
	./build/release/bench/engine_bench
	bench/mode_s.sh
	bench/startup.sh

clean:
	rm -rf build
