# The two set-up commands: `make run` and `make test` (see README.md).
CMAKE ?= cmake
CTEST ?= ctest
CPACK ?= cpack
JOBS  ?= $(shell nproc)

.PHONY: all deps build run test package windows windows-test sanitize tsan bench verify fuzz-build fuzz clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	$(CMAKE) --preset default
	$(CMAKE) --build --preset default -j $(JOBS)

run: build
	@scripts/run-window.sh build/default/app/pelorix

test: build fuzz-build
	$(CTEST) --preset default -j $(JOBS)
	@scripts/windows-test.sh test $(JOBS)

# The Debian package build/pelorix_<version>_<arch>.deb (README.md, "Installing").
package: build
	$(CPACK) --config build/default/CPackConfig.cmake -B $(CURDIR)/build

# The Qt-free libraries, their tests and pelorix-render.exe cross-built as
# Windows programs (build/windows); windows-test runs them under Wine and
# compares the pictures with the Linux build's.
windows: deps
	@scripts/windows-test.sh build $(JOBS)

windows-test: build
	@scripts/windows-test.sh test $(JOBS)

# The picture readers' libFuzzer targets, in their own clang build tree.
fuzz-build: deps
	$(CMAKE) --preset fuzz
	$(CMAKE) --build --preset fuzz -j $(JOBS)

# Fuzzes each reader in turn, FUZZ_SECONDS each (crashes: build/fuzz/crashes-*).
FUZZ_SECONDS ?= 600
FUZZ_FORMATS ?= bmp ppm tga m8 png
fuzz: fuzz-build
	@for f in $(FUZZ_FORMATS); do formats/fuzz/run-fuzz.sh fuzz $$f build/fuzz $(FUZZ_SECONDS) || exit 1; done

# Core libraries and their tests under AddressSanitizer and UndefinedBehaviorSanitizer.
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
