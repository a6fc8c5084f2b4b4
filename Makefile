# The README's commands. Each installs what is missing, configures and builds.
PRESET ?= debug
JOBS   ?= $(shell nproc)

.PHONY: deps build test bench clean

deps:
	@scripts/install-deps

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	QT_QPA_PLATFORM=offscreen ctest --preset $(PRESET) -j $(JOBS)

bench: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf build
