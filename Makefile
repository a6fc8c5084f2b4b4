# The README's commands. Each installs what is missing, configures and builds.
PRESET ?= debug
JOBS   ?= $(shell nproc)

.PHONY: deps build test run bench clean

deps:
	@scripts/install-deps

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	QT_QPA_PLATFORM=offscreen ctest --preset $(PRESET) -j $(JOBS)

# The sample portfolio of examples/: a working copy whose items read the shipped pages, updated
# unattended; then, with a display, the window opens on it, else its quotations are exported and
# printed.
RUN_DIR := build/run
run: build
	@rm -rf $(RUN_DIR) && mkdir -p $(RUN_DIR)
	build/$(PRESET)/src/app/corvana_make_sample examples/pages $(RUN_DIR)/sample.cvr
	build/$(PRESET)/src/app/corvana -u $(RUN_DIR)/sample.cvr
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		echo "build/$(PRESET)/src/app/corvana $(RUN_DIR)/sample.cvr"; \
		build/$(PRESET)/src/app/corvana $(RUN_DIR)/sample.cvr; \
	else \
		echo "build/$(PRESET)/src/app/corvana -e $(RUN_DIR)/sample.cvr"; \
		build/$(PRESET)/src/app/corvana -e $(RUN_DIR)/sample.cvr && \
		echo "Quotations of $(RUN_DIR)/sample.csv:" && cat $(RUN_DIR)/sample.csv; \
	fi

bench: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf build
