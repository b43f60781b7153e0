# The two commands a newcomer needs: `make run` and `make test`.
# `make bench` prints the speed figures.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
# Builds print only on failure.
QUIET_BUILD = > $(BUILD)/$(1).log 2>&1 || { cat $(BUILD)/$(1).log; exit 1; }

.PHONY: run test bench setup build build-native build-win64 build-win32 build-asan build-i686 clean

setup:
	@scripts/setup.sh

build-native: setup
	@cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD)/native -j $(JOBS) $(call QUIET_BUILD,native-build)

build-win64: setup
	@cmake -S . -B $(BUILD)/win64 -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake >/dev/null
	@cmake --build $(BUILD)/win64 -j $(JOBS) $(call QUIET_BUILD,win64-build)

build-win32: setup
	@cmake -S . -B $(BUILD)/win32 -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake >/dev/null
	@cmake --build $(BUILD)/win32 -j $(JOBS) $(call QUIET_BUILD,win32-build)

# The core's unit tests as 32-bit Linux programs (run under qemu-i386).
build-i686: setup
	@cmake -S . -B $(BUILD)/i686 -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-linux-gnu.cmake >/dev/null
	@cmake --build $(BUILD)/i686 -j $(JOBS) $(call QUIET_BUILD,i686-build)

build-asan: setup
	@cmake -S . -B $(BUILD)/asan -DCMAKE_BUILD_TYPE=Debug -DVELLUMO_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD)/asan -j $(JOBS) $(call QUIET_BUILD,asan-build)

build: build-native build-win64 build-win32

run: setup build-win64 build-native
	@scripts/run.sh

test: setup
	@scripts/test.sh

bench: setup build-win64 build-native
	@scripts/bench.sh

clean:
	rm -rf $(BUILD) out
