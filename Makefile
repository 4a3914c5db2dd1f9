# Set-up and everyday commands. `make run` opens the window, `make test` runs every test.
BUILD_DIR ?= build
CORE_BUILD_DIR ?= build-core
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test core bench format clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTARN_WARNINGS_AS_ERRORS=ON

configure: deps $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "make run: no display found (DISPLAY and WAYLAND_DISPLAY are unset); run it from a desktop session."; \
		exit 1; \
	fi
	$(BUILD_DIR)/tarnme

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# Builds and tests the core alone, without Qt, to keep the separation honest.
core: deps
	cmake -S . -B $(CORE_BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTARN_WARNINGS_AS_ERRORS=ON -DTARN_BUILD_GUI=OFF
	cmake --build $(CORE_BUILD_DIR) -j $(JOBS)
	ctest --test-dir $(CORE_BUILD_DIR) --output-on-failure -j $(JOBS)

format:
	find src tests -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(CORE_BUILD_DIR)
