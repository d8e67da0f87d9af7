# The kit's entry points. `make demo` and `make test` are the README's two commands.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build demo test sanitize bench clean format tidy

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

# Every speed goal in one run (Release build in build-bench/, inputs made on the fly): one table.
bench: deps
	bench/run

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

tidy: build
	git ls-files 'src/*.cpp' 'tools/*.cpp' | xargs clang-tidy -p build --quiet

clean:
	rm -rf build build-debug build-sanitize build-bench
