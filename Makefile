# make run   builds Kelpov and starts it
# make test  builds everything and runs every test
# make bench builds everything and runs the benchmarks
# make package builds the Debian package and checks it with lintian and desktop-file-validate
# Each first installs the Debian packages it needs that are missing.
# PRESET picks the CMake preset (release by default; CI uses ci, where warnings are errors).

PRESET ?= release
BUILD := build/$(PRESET)

BUILD_PACKAGES := g++ make cmake qt6-base-dev qt6-qpa-plugins libgl-dev fonts-liberation2 \
	libboost-math-dev libgtest-dev libbenchmark-dev
TEST_PACKAGES := $(BUILD_PACKAGES) xvfb xauth xdotool x11-utils

.PHONY: run test bench package

# The program writes its files into the directory it starts in: here, the top of the project.
run:
	scripts/ensure-packages $(BUILD_PACKAGES)
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j2 --target kelpov
	$(BUILD)/window/kelpov

test:
	scripts/ensure-packages $(TEST_PACKAGES)
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j2
	ctest --preset $(PRESET) -j2

bench:
	scripts/ensure-packages $(BUILD_PACKAGES)
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j2 --target kelpov_bench
	$(BUILD)/bench/kelpov_bench

# The desktop entry is made when the package's files are laid out, beside the program.
package:
	scripts/ensure-packages $(BUILD_PACKAGES) lintian desktop-file-utils
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j2 --target kelpov
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error,warning $(BUILD)/kelpov_*.deb
	desktop-file-validate $(BUILD)/window/kelpov.desktop
