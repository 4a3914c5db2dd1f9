# Set-up and everyday commands. `make run` opens the window, `make test` runs every test.
BUILD_DIR ?= build
CORE_BUILD_DIR ?= build-core
SANITIZE_BUILD_DIR ?= build-sanitize
FUZZ_BUILD_DIR ?= build-fuzz
BENCH_BUILD_DIR ?= build-bench
# The fuzzing time of `make fuzz` in all, shared equally by the fuzz targets.
FUZZ_SECONDS ?= 60
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run demo package test unit-test lint sanitize fuzz core bench \
	format clean

all: build

deps:
	@scripts/install-deps.sh

# Only the set-up targets `make run` and `make test` install what is missing, before anything is
# configured; every other target uses the packages that are there.
SETUP := $(if $(filter run test,$(MAKECMDGOALS)),deps)

$(BUILD_DIR)/CMakeCache.txt: | $(SETUP)
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTARN_WARNINGS_AS_ERRORS=ON

configure: $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Without a display, say so in one line before anything is installed or built.
ifneq ($(filter run,$(MAKECMDGOALS)),)
ifeq ($(DISPLAY)$(WAYLAND_DISPLAY),)
$(error make run: no display found (DISPLAY and WAYLAND_DISPLAY are unset); run it from a desktop session)
endif
endif

run: build
	$(BUILD_DIR)/tarnme

# A scripted session with the real window on a private X server, so no desktop is needed: WAV
# files made, added, encoded; the MP3 files and a picture of each tab are left in build/demo/.
demo: build
	/usr/bin/python3 scripts/demo.py $(BUILD_DIR)/tarnme $(BUILD_DIR)/demo

# The Debian package $(BUILD_DIR)/tarnme_<version>_<arch>.deb, installing under /usr.
package: build
	cmake --build $(BUILD_DIR) --target package

test: unit-test lint sanitize fuzz

unit-test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# clang-tidy with the checks of .clang-tidy on src/ and tests/, clazy's levels 0 and 1 on src/qt/;
# any finding fails.
lint: configure
	scripts/lint.sh $(BUILD_DIR) $(JOBS)

# The core's unit and scenario tests again, under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: | $(SETUP)
	cmake -S . -B $(SANITIZE_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DTARN_WARNINGS_AS_ERRORS=ON \
		-DTARN_BUILD_GUI=OFF -DTARN_BUILD_BENCH=OFF \
		-DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
	cmake --build $(SANITIZE_BUILD_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --test-dir $(SANITIZE_BUILD_DIR) --output-on-failure -j $(JOBS)

# Bounded libFuzzer runs: the WAV readers, seeded with the kinds of file the tests write, and the
# help file reader, seeded with the manual the build compiles and the help reader program's
# message about it. Oversized allocations fail there as they do in the program.
fuzz: | $(SETUP)
	cmake -S . -B $(FUZZ_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DTARN_BUILD_GUI=OFF -DTARN_BUILD_TESTS=OFF -DTARN_BUILD_BENCH=OFF -DTARN_BUILD_FUZZERS=ON
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS)
	rm -rf $(FUZZ_BUILD_DIR)/corpus && mkdir -p $(FUZZ_BUILD_DIR)/corpus $(FUZZ_BUILD_DIR)/seeds
	$(FUZZ_BUILD_DIR)/fuzz/tarn_fuzz_seeds $(FUZZ_BUILD_DIR)/seeds
	$(FUZZ_BUILD_DIR)/fuzz/tarn_fuzz_wav -max_total_time=$$(( $(FUZZ_SECONDS) / 2 )) -max_len=4096 \
		-print_final_stats=1 $(FUZZ_BUILD_DIR)/corpus $(FUZZ_BUILD_DIR)/seeds
	rm -rf $(FUZZ_BUILD_DIR)/chm-corpus $(FUZZ_BUILD_DIR)/chm-found
	mkdir -p $(FUZZ_BUILD_DIR)/chm-corpus $(FUZZ_BUILD_DIR)/chm-seeds $(FUZZ_BUILD_DIR)/chm-found
	cp $(FUZZ_BUILD_DIR)/tarnme.chm $(FUZZ_BUILD_DIR)/chm-seeds/
	$(FUZZ_BUILD_DIR)/tarnme-help-reader $(FUZZ_BUILD_DIR)/tarnme.chm \
		> $(FUZZ_BUILD_DIR)/chm-seeds/tarnme.message
	ASAN_OPTIONS=allocator_may_return_null=1 $(FUZZ_BUILD_DIR)/fuzz/tarn_fuzz_chm \
		-max_total_time=$$(( $(FUZZ_SECONDS) / 2 )) -print_final_stats=1 \
		-artifact_prefix=$(FUZZ_BUILD_DIR)/chm-found/ $(FUZZ_BUILD_DIR)/chm-corpus \
		$(FUZZ_BUILD_DIR)/chm-seeds

# Builds and tests the core alone, without Qt, to keep the separation honest.
core: | $(SETUP)
	cmake -S . -B $(CORE_BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTARN_WARNINGS_AS_ERRORS=ON -DTARN_BUILD_GUI=OFF
	cmake --build $(CORE_BUILD_DIR) -j $(JOBS)
	ctest --test-dir $(CORE_BUILD_DIR) --output-on-failure -j $(JOBS)

# Times the encoding run against the lame command on generated files; prints figures only.
bench: | $(SETUP)
	cmake -S . -B $(BENCH_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DTARN_WARNINGS_AS_ERRORS=ON \
		-DTARN_BUILD_GUI=OFF -DTARN_BUILD_TESTS=OFF
	cmake --build $(BENCH_BUILD_DIR) -j $(JOBS) --target tarn_bench tarn_slow_stick_bench \
		tarn_batch_bench
	$(BENCH_BUILD_DIR)/bench/tarn_bench
	$(BENCH_BUILD_DIR)/bench/tarn_slow_stick_bench
	$(BENCH_BUILD_DIR)/bench/tarn_batch_bench

format:
	find src tests -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(CORE_BUILD_DIR) $(SANITIZE_BUILD_DIR) $(FUZZ_BUILD_DIR) $(BENCH_BUILD_DIR)
