# Build, run, test and benchmark the emulator.
BUILD ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
PROFILE_BUILD ?= build-profile
ARM_BUILD ?= build-arm
CMAKE_GEN := -G Ninja
PREFIX ?= /usr
JOBS ?= 2
# The measured Z80 test data; by default ../shared beside the checkout.
SHARED_OPT := $(if $(TAVISK_SHARED_DIR),-DTAVISK_SHARED_DIR=$(abspath $(TAVISK_SHARED_DIR)))

.PHONY: all deps run test test-plain test-asan test-arm bench profile idle-cpu game-cpu install screenshot clean

all:
	@scripts/deps.sh build
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DTAVISK_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS)

run:
	@scripts/deps.sh run
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DTAVISK_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target tavisk
	cd $(BUILD) && ln -sf $(or $(ROM),/usr/share/spectrum-roms/opense.rom) spectrum.rom && ./frontend/tavisk $(if $(SNAPSHOT),$(abspath $(SNAPSHOT)))

test:
	@scripts/deps.sh test
	$(MAKE) test-plain test-asan

test-plain:
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DTAVISK_TESTS=ON $(SHARED_OPT)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DTAVISK_TESTS=ON -DTAVISK_SANITIZE=ON $(SHARED_OPT) \
	  -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# The unit tests cross-built for armhf and run under qemu-user; the end-to-end tests and the
# fuzz target stay with the host build.
test-arm:
	@scripts/deps.sh arm $(abspath $(ARM_BUILD))/devroot
	cmake -S . -B $(ARM_BUILD) $(CMAKE_GEN) --no-warn-unused-cli \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/armhf.cmake \
	  -DTAVISK_ARMHF_DEVROOT=$(abspath $(ARM_BUILD))/devroot -DTAVISK_TESTS=ON \
	  -DTAVISK_HOST_TESTS=OFF $(SHARED_OPT)
	cmake --build $(ARM_BUILD) -j $(JOBS)
	cd $(ARM_BUILD) && ctest --output-on-failure -j $(JOBS)

bench:
	@scripts/deps.sh test
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTAVISK_TESTS=OFF \
	  -DTAVISK_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	$(BENCH_BUILD)/bench/tavisk_bench

# Host instruction counts under callgrind: run_frame per T-state, render_screen per call.
profile:
	@scripts/deps.sh test
	cmake -S . -B $(PROFILE_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTAVISK_TESTS=OFF \
	  -DTAVISK_BENCH=ON
	cmake --build $(PROFILE_BUILD) -j $(JOBS) --target tavisk_profile
	scripts/profile.sh $(PROFILE_BUILD)/bench/tavisk_profile

# The paced program's CPU share at the default ROM's prompt, from /proc over 20 s.
idle-cpu:
	@scripts/deps.sh test
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DTAVISK_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target tavisk
	scripts/idle_cpu.sh $(BUILD)/frontend/tavisk /usr/share/spectrum-roms/opense.rom

# The paced program and its X server on the two measuring games, from /proc over 30 s each.
game-cpu:
	@scripts/deps.sh test
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DTAVISK_TESTS=OFF -DTAVISK_GAMES=ON
	cmake --build $(BUILD) -j $(JOBS) --target tavisk game_snapshots
	scripts/game_cpu.sh $(BUILD)/frontend/tavisk /usr/share/spectrum-roms/opense.rom \
	  $(BUILD)/games/still.z80 $(BUILD)/games/sprite.z80

install:
	@scripts/deps.sh run
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DTAVISK_TESTS=OFF -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(BUILD) -j $(JOBS) --target tavisk
	cmake --install $(BUILD)

screenshot:
	@scripts/deps.sh test
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DTAVISK_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target tavisk
	scripts/screenshot.sh $(BUILD)/frontend/tavisk /usr/share/spectrum-roms/opense.rom \
	  docs/screenshot.png docs/pause-menu.png

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(PROFILE_BUILD) $(ARM_BUILD)
