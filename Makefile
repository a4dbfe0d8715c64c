# Entry points.  `make run` and `make test` do all the set-up on a fresh Debian machine.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
COVERAGE_BUILD ?= build-coverage
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 20
WIN_BUILD ?= build-win
WIN_TEST_BUILD ?= build-win-tests
WIN32_BUILD ?= build-win32
PACKAGE_DIR ?= $(BUILD)/packages
WIN_TOOLCHAIN = cmake/mingw-w64-x86_64.cmake
WIN32_TEST_BUILD ?= build-win32-tests
WIN32_TOOLCHAIN = cmake/mingw-w64-i686.cmake

.PHONY: all deps build run test test-asan coverage fuzz fuzz-smoke bench format clean deps-windows windows \
  test-windows deps-windows32 windows32 test-windows32 package package-windows

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/demo.sh $(BUILD)/bin/fmhost

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS)

# The suite on a gcc --coverage build, then line and branch coverage per source folder.
# Branches that only throw or that the compiler cannot reach are left out of the figures.
# The figures are printed even when a test fails; the target then fails after them.
coverage: deps
	cmake -S . -B $(COVERAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_COVERAGE=ON \
	  -DVELMORA_BENCH=OFF
	cmake --build $(COVERAGE_BUILD) -j $(JOBS)
	find $(COVERAGE_BUILD) -name '*.gcda' -delete
	cd $(COVERAGE_BUILD) && ctest --output-on-failure -j $(JOBS); echo $$? > ctest.rc
	gcovr -r $(CURDIR) --object-directory $(COVERAGE_BUILD) -j $(JOBS) \
	  --filter '$(CURDIR)/src/' --filter '$(CURDIR)/fmwrapper/' --filter '$(CURDIR)/fmhost/' \
	  --exclude-throw-branches --exclude-unreachable-branches \
	  --json-summary $(COVERAGE_BUILD)/coverage-summary.json \
	  --html-details $(COVERAGE_BUILD)/coverage.html --print-summary
	@python3 scripts/coverage-report.py $(COVERAGE_BUILD)/coverage-summary.json
	@echo "Per-file report: $(COVERAGE_BUILD)/coverage.html"
	@exit $$(cat $(COVERAGE_BUILD)/ctest.rc)

# Fuzz targets under ASan+UBSan with clang; FUZZ_SECONDS per target.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DVELMORA_SANITIZE=ON -DVELMORA_FUZZ=ON -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@bash scripts/run-fuzz.sh $(FUZZ_BUILD)/bin $(FUZZ_SECONDS)

fuzz-smoke:
	$(MAKE) fuzz FUZZ_SECONDS=5

bench: build
	@bash scripts/run-bench.sh $(BUILD)

# Linux packages from $(BUILD) into $(BUILD)/packages: the server's .deb and the .tar.gz
# to try the module with fmhost (cmake/packaging.cmake).
package: build
	cmake --build $(BUILD) --target package

# The Windows modules as built (64-bit VELMORA2.fmx64, 32-bit VELMORA2.fmx) in one zip.
package-windows:
	@bash scripts/package-windows.sh $(WIN_BUILD) $(WIN32_BUILD) $(PACKAGE_DIR)

# Windows: cross-built with mingw-w64 (VELMORA2.fmx64, FMWrapper.dll, fmhost.exe for the
# 64-bit host; VELMORA2.fmx and the same two for the 32-bit host), tested under Wine.
# Their packages are installed only by these targets.
deps-windows:
	@bash scripts/install-deps.sh --windows

windows: deps-windows
	cmake -S . -B $(WIN_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) \
	  -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF
	cmake --build $(WIN_BUILD) -j $(JOBS)

test-windows: deps-windows
	cmake -S . -B $(WIN_TEST_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) \
	  -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WIN_TEST_BUILD) -j $(JOBS)
	@bash scripts/test-windows.sh $(WIN_TEST_BUILD) win64

deps-windows32:
	@bash scripts/install-deps.sh --windows32

windows32: deps-windows32
	cmake -S . -B $(WIN32_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(WIN32_TOOLCHAIN) \
	  -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF
	cmake --build $(WIN32_BUILD) -j $(JOBS)

test-windows32: deps-windows32
	cmake -S . -B $(WIN32_TEST_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(WIN32_TOOLCHAIN) \
	  -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WIN32_TEST_BUILD) -j $(JOBS)
	@bash scripts/test-windows.sh $(WIN32_TEST_BUILD) win32

format:
	find src fmwrapper fmhost tests fuzz bench -name '*.cpp' -o -name '*.hpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(COVERAGE_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) $(WIN_TEST_BUILD) $(WIN32_BUILD) \
	  $(WIN32_TEST_BUILD)
