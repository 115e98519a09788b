# The two commands of the README, plus the pieces they are made of.
#   make test   install what is missing, build native and Windows, run the suites
#   make bench  build the release benchmarks and run them
#   make run    build Install.exe and start the wizard under Wine (see below)
SHELL := /bin/bash
.ONESHELL:
.SHELLFLAGS := -euo pipefail -c
.PHONY: all deps native win32 win64 fuzz fuzz-smoke test test-native test-windows test-e2e run bench format clean

JOBS ?= $(shell nproc)

# The product is 32-bit and its Windows tests run under 32-bit Wine. Some
# machines (sandboxes without 32-bit user space) cannot execute a 32-bit Linux
# program at all, so 32-bit Wine cannot start there: the same suites then run
# from the 64-bit Windows build under 64-bit Wine.
CAN_RUN_32 := $(shell /lib/ld-linux.so.2 --version >/dev/null 2>&1 && echo yes)
WIN_TEST_PRESET := $(if $(CAN_RUN_32),win32,win64)

all: native win32

deps:
	@bash cmake/install-deps.sh

native win32 win64 native-release fuzz: deps
	cmake --preset $@ >/dev/null
	cmake --build --preset $@ -j $(JOBS)

test-native: native
	ctest --preset native

test-windows: win32 $(WIN_TEST_PRESET)
	$(if $(CAN_RUN_32),,@echo "This machine cannot run 32-bit programs: the Windows suites run from the 64-bit build.")
	ctest --preset $(WIN_TEST_PRESET)

# A short run of every fuzz target (FUZZ_SECONDS each, default 20).
fuzz-smoke: fuzz
	bash cmake/fuzz-smoke.sh

# The suites run even when one fails; the target fails if any did.
test: native win32 $(WIN_TEST_PRESET) fuzz
	status=0
	ctest --preset native || status=1
	bash cmake/fuzz-smoke.sh || status=1
	$(if $(CAN_RUN_32),,echo "This machine cannot run 32-bit programs: the Windows suites run from the 64-bit build.")
	ctest --preset $(WIN_TEST_PRESET) || status=1
	exit $$status

# The wizard under Wine, on the user's display; with no display, the
# end-to-end driver runs it under Xvfb and leaves screenshots. The product
# build is made too; Wine runs the build that this machine can execute.
run: win32 $(WIN_TEST_PRESET)
	bash tests/e2e/run-wizard.sh build/$(WIN_TEST_PRESET)

# The end-to-end run alone (make test runs it as part of the Windows suite).
test-e2e: $(WIN_TEST_PRESET)
	bash tests/e2e/run-e2e.sh build/$(WIN_TEST_PRESET)

# Every benchmark, one after the other; each prints its ratios ours/peer.
bench: native-release
	build/native-release/bench/crypto_bench
	build/native-release/bench/db/db_bench
	build/native-release/bench/extract/extract_bench

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf build
