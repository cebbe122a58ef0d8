# The two commands of the README, and the builds behind them.
.PHONY: all deps build test demo asan test-asan tsan test-tsan fuzz bench clean

all: build

deps:
	./scripts/install-deps.sh

build: deps
	cmake --preset release
	cmake --build --preset release

test: build
	./scripts/check-layers
	./scripts/run-tests.sh release

# Only what the demo runs, no test programs: with Open CASCADE the library,
# the OCCT kernel and pelmora-view, showing the shipped STEP assembly; without
# it the library, the sample kernel and the demo host.
DEMO_STEP = examples/data/demo-assembly.step
demo: deps
	cmake --preset release
	@if grep -q '^PELMORA_WITH_OCCT:INTERNAL=ON' build/release/CMakeCache.txt; then \
	    cmake --build --preset viewer && \
	    ./build/release/examples/viewer/pelmora-view $(DEMO_STEP) -o demo.png --size 800x600 --view iso --edges on; \
	else \
	    echo "Open CASCADE was not found: showing the sample kernel's assembly instead of $(DEMO_STEP)"; \
	    cmake --build --preset demo && ./build/release/examples/demo_host; \
	fi

asan: deps
	cmake --preset asan
	cmake --build --preset asan

test-asan: asan
	./scripts/check-layers
	./scripts/run-tests.sh asan

# The facet worker's tests under ThreadSanitizer: the refinement on the
# worker thread, releases, unregistrations and the exit while it works.
tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan

test-tsan: tsan
	./scripts/run-tsan.sh

# The fuzz target under the sanitizers: the seed corpus and a fixed number of
# random inputs (tests/fuzz/README.md).
fuzz: asan
	./scripts/run-fuzz.sh asan

bench: deps
	cmake --preset bench
	cmake --build --preset bench

clean:
	rm -rf build
