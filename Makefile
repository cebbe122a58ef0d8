# The two commands of the README, and the builds behind them.
.PHONY: all deps build test demo asan test-asan fuzz bench clean

all: build

deps:
	./scripts/install-deps.sh

build: deps
	cmake --preset release
	cmake --build --preset release

test: build
	./scripts/check-layers
	./scripts/run-tests.sh release

# Only the library, the sample kernel and the demo host: no test programs.
demo: deps
	cmake --preset release
	cmake --build --preset demo
	./build/release/examples/demo_host

asan: deps
	cmake --preset asan
	cmake --build --preset asan

test-asan: asan
	./scripts/check-layers
	./scripts/run-tests.sh asan

# The fuzz target under the sanitizers: the seed corpus and a fixed number of
# random inputs (tests/fuzz/README.md).
fuzz: asan
	./scripts/run-fuzz.sh asan

bench: deps
	cmake --preset bench
	cmake --build --preset bench

clean:
	rm -rf build
