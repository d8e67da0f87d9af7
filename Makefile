# The kit's entry points. `make demo` and `make test` are the README's two commands.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Seconds each fuzz target runs for in `make fuzz`.
FUZZ_SECONDS ?= 60

.PHONY: all deps build demo test sanitize fuzz bench clean format tidy package package-check

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

demo: build
	@scripts/demo

test: build
	ctest --preset release

sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize

# The Debian package in build/, and a check that it installs with apt-get and its programs run.
package: build
	cmake --build --preset release --target package

package-check: package
	scripts/package-check

# The libFuzzer targets (clang, ASan + UBSan), each run for FUZZ_SECONDS over its seed corpus.
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	FUZZ_SEED=$(FUZZ_SEED) fuzz/run-fuzzers build-fuzz $(FUZZ_SECONDS)

# Every speed goal in one run (Release build in build-bench/, inputs made on the fly): one table.
bench: deps
	bench/run

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

tidy: build
	git ls-files 'src/*.cpp' 'tools/*.cpp' | xargs clang-tidy -p build --quiet

clean:
	rm -rf build build-debug build-sanitize build-fuzz build-bench
