# The set-up commands `make run` and `make test`, and `make check`, which CI
# runs (see README.md).
CMAKE ?= cmake
CTEST ?= ctest
CPACK ?= cpack
JOBS  ?= $(shell nproc)

.PHONY: all deps run-deps check-deps build run test check package windows windows-test sanitize tsan \
	bench verify fuzz-build fuzz-check fuzz clean

all: build

# What the Linux build and its tests need; `make run` adds the virtual
# display, `make check` clang and the Windows cross compiler and Wine.
deps:
	@scripts/install-deps.sh
run-deps:
	@scripts/install-deps.sh run
check-deps:
	@scripts/install-deps.sh check

build: deps
	$(CMAKE) --preset default
	$(CMAKE) --build --preset default -j $(JOBS)

run: build run-deps
	@scripts/run-window.sh build/default/app/pelorix

# One tree (build/default) and every test in it.
test: build
	$(CTEST) --preset default -j $(JOBS)

# Everything CI checks, one tree after the other: make test, the readers'
# libFuzzer targets, the Windows build under Wine, ASan+UBSan, TSan.
check: test
	$(MAKE) fuzz-check
	$(MAKE) windows-test
	$(MAKE) sanitize
	$(MAKE) tsan

# The Debian package build/pelorix_<version>_<arch>.deb (README.md, "Installing").
package: build
	$(CPACK) --config build/default/CPackConfig.cmake -B $(CURDIR)/build

# The Qt-free libraries, their tests and pelorix-render.exe cross-built as
# Windows programs (build/windows); windows-test runs them under Wine and
# compares the pictures with the Linux build's.
windows: check-deps
	@scripts/windows-test.sh build $(JOBS)

windows-test: build check-deps
	@scripts/windows-test.sh test $(JOBS)

# The picture readers' libFuzzer targets, in their own clang build tree;
# fuzz-check replays the seed corpus and the regression files under ASan and
# UBSan, then runs each target a fixed number of times with a fixed seed.
fuzz-build: check-deps
	$(CMAKE) --preset fuzz
	$(CMAKE) --build --preset fuzz -j $(JOBS)

fuzz-check: fuzz-build
	$(CTEST) --preset fuzz -j $(JOBS)

# Fuzzes each reader in turn, FUZZ_SECONDS each (crashes: build/fuzz/crashes-*).
FUZZ_SECONDS ?= 600
FUZZ_FORMATS ?= bmp ppm tga m8 png
fuzz: fuzz-build
	@for f in $(FUZZ_FORMATS); do formats/fuzz/run-fuzz.sh fuzz $$f build/fuzz $(FUZZ_SECONDS) || exit 1; done

# The programs and their tests under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	$(CMAKE) --preset asan
	$(CMAKE) --build --preset asan -j $(JOBS)
	$(CTEST) --preset asan -j $(JOBS)

# The threaded components, the threaded columns and the generators on them, under ThreadSanitizer.
tsan: deps
	$(CMAKE) --preset tsan
	$(CMAKE) --build --preset tsan -j $(JOBS)
	$(CTEST) --preset tsan

# Benchmarks at full length (ctest runs them once, briefly, as a smoke test).
bench: build
	@for b in build/default/bench/pelorix-bench-*; do $$b || exit 1; done

# Every generator at the eight drawing sizes with several seeds, and --all,
# compared pixel by pixel with the reference renderer (several minutes).
# The python3 that configure found with numpy and Pillow.
verify: build
	"$$(sed -n 's/^Python3_EXECUTABLE:[A-Z]*=//p' build/default/CMakeCache.txt)" \
	  tests/reference/compare.py --full build/default/tools/pelorix-render

clean:
	rm -rf build
