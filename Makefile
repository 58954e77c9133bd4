# Thin front for the CMake presets. `make run` installs what the program needs, builds it alone
# and plays; `make test` installs what the tests need and runs the whole suite in a release build
# and in a sanitizer build, then fuzzes; `make` builds everything in build/release.
.PHONY: all run test release program sanitize fuzz bench clean

SHELL := bash
.SHELLFLAGS := -eo pipefail -c

FUZZ_SECONDS ?= 60

# The Debian packages each command needs.
PROGRAM_PACKAGES := cmake ninja-build g++
TOOL_PACKAGES := $(PROGRAM_PACKAGES) libhwy-dev libcli11-dev nlohmann-json3-dev
TEST_PACKAGES := $(TOOL_PACKAGES) libgtest-dev binutils valgrind clang libclang-rt-14-dev chromium
BENCH_PACKAGES := $(TOOL_PACKAGES) libbenchmark-dev time

SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

# Installs the packages of the list that this machine lacks, and says which.
define install
	@missing=""; \
	for package in $(1); do dpkg -s "$$package" >/dev/null 2>&1 || missing="$$missing $$package"; done; \
	if [[ -n $$missing ]]; then \
		echo "== Installing$$missing"; \
		$(SUDO) apt-get update -qq; \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
	fi
endef

# Builds a preset quietly; its log is shown when the build fails.
define build
	@cmake --preset $(1) $(2) >build/$(1).log 2>&1 && cmake --build --preset $(1) >>build/$(1).log 2>&1 \
		|| { cat build/$(1).log; echo "== Building $(1) FAILED"; exit 1; }
endef

# ctest's lines for the tests that passed are left out; failures come in full, with the summary.
define run_tests
	@ctest --preset $(1) -j 2 2>&1 | grep -v -E '^ +Start +[0-9]+:|Test +#[0-9]+: .* +Passed +[0-9.]+ sec$$'
endef

all: release

build:
	@mkdir -p build
.PHONY: build

release: build
	$(call install,$(TOOL_PACKAGES) libgtest-dev)
	cmake --preset release >/dev/null
	cmake --build --preset release

program: build
	$(call install,$(PROGRAM_PACKAGES))
	@echo "== Building pasianssi (build/program)"
	$(call build,program)

run: program
	@./build/program/pasianssi

sanitize: build
	$(call install,$(TEST_PACKAGES))
	$(call build,sanitize)

test: build
	$(call install,$(TEST_PACKAGES))
	@echo "== Building the release build (build/release)"
	$(call build,release)
	@echo "== Running the tests in the release build"
	$(call run_tests,release)
	@echo "== Building with AddressSanitizer and UndefinedBehaviorSanitizer (build/sanitize)"
	$(call build,sanitize)
	@echo "== Running the tests in the sanitizer build"
	$(call run_tests,sanitize)
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=30

# Each fuzz target for FUZZ_SECONDS, from the seed corpus in tests/fuzz/corpus; new inputs are
# kept in build/fuzz/corpus, never in the repository.
fuzz: build
	$(call install,$(TEST_PACKAGES))
	@echo "== Building the fuzz targets with clang (build/fuzz)"
	$(call build,fuzz)
	@echo "== Fuzzing input_lines, answer_loop, deck_reader and trace_reader for $(FUZZ_SECONDS) s each"
	@tests/fuzz/run.sh $(FUZZ_SECONDS) input_lines answer_loop deck_reader trace_reader

bench: build
	$(call install,$(BENCH_PACKAGES))
	@echo "== Building the benchmarks (build/release)"
	$(call build,release,-DPASIANSSI_BENCH=ON)
	./build/release/bench/engine_bench
	./build/release/bench/kernel_bench
	bench/census.sh
	bench/mode_s.sh
	bench/startup.sh

clean:
	rm -rf build
