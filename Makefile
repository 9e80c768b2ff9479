# The two commands a newcomer needs: `make demo` and `make test`.
# Builds: build/native (Linux: engine, kvpack, native tests, benchmarks),
#         build/sanitize (clang: engine tests under ASan/UBSan, fuzz target),
#         build/win32 (mingw-w64 i686: KVSetup.exe and the Windows-side tests),
#         build/win64 (mingw-w64 x86-64: the same programs, for the Wine tests on
#                      machines that cannot run 32-bit programs; scripts/wine-arch).
JOBS ?= $(shell nproc)
GEN := -G Ninja

.PHONY: all build native sanitize win32 win64 wine-build test test-native test-sanitize test-wine test-gui demo fuzz bench release bootstrap clean

all: build

bootstrap:
	@scripts/bootstrap

build: native win32

native:
	@test -f build/native/build.ninja || cmake $(GEN) -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo
	@cmake --build build/native -j $(JOBS)

sanitize:
	@test -f build/sanitize/build.ninja || CC=clang CXX=clang++ cmake $(GEN) -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_FUZZ=ON
	@cmake --build build/sanitize -j $(JOBS)

win32:
	@test -f build/win32/build.ninja || cmake $(GEN) -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
	@cmake --build build/win32 -j $(JOBS)

win64:
	@test -f build/win64/build.ninja || cmake $(GEN) -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
	@cmake --build build/win64 -j $(JOBS)

# The x86-64 build too when this machine's Wine is 64-bit only.
wine-build:
	@if [ "$$(scripts/wine-arch)" = win64 ]; then $(MAKE) --no-print-directory win64; fi

test: bootstrap build sanitize wine-build
	@scripts/run-tests

demo: bootstrap build wine-build
	@scripts/demo

fuzz: bootstrap sanitize
	@scripts/run-fuzz 600

bench: bootstrap native
	@build/native/bench/kvbench

# dist/: KVSetup.exe and kvpack.exe signed (KV_SIGN_PFX, KV_SIGN_PASS; else a
# test authority), the Linux kvpack and SHA256SUMS. KV_PACKAGE=DIR binds
# KVSetup.exe to the package in DIR and ships that package beside it.
release: bootstrap build
	@KV_PACKAGE="$(KV_PACKAGE)" scripts/release

clean:
	rm -rf build dist
