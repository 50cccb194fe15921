# make run   builds Kelpov and starts it
# make test  builds everything and runs every test
# make bench builds and runs the benchmarks
# PRESET picks the CMake preset (release by default; CI uses ci, where warnings are errors).

PRESET ?= release
BUILD := build/$(PRESET)

BUILD_PACKAGES := g++ make cmake qt6-base-dev qt6-qpa-plugins libgl-dev fonts-liberation2
TEST_PACKAGES := $(BUILD_PACKAGES) libgtest-dev libbenchmark-dev xvfb xdotool

.PHONY: run test bench build packages test-packages

run: packages build
	$(BUILD)/window/kelpov

test: test-packages build
	ctest --preset $(PRESET) -j2

bench: test-packages build
	$(BUILD)/bench/kelpov_bench

build:
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j2

packages:
	scripts/ensure-packages $(BUILD_PACKAGES)

test-packages:
	scripts/ensure-packages $(TEST_PACKAGES)
