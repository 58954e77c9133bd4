# Thin front for the CMake presets: `make` builds build/release, `make run` plays,
# `make test` runs the whole suite in a release build and in a sanitizer build.
.PHONY: all run test release sanitize bench clean

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

bench:
	cmake --preset release -DPASIANSSI_BENCH=ON >/dev/null
	cmake --build --preset release
	./build/release/bench/engine_bench
	bench/mode_s.sh

clean:
	rm -rf build
