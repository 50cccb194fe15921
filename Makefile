# make run   builds Kelpov and starts it
# make test  builds everything and runs every test
# make bench builds everything and runs the benchmarks
# make package builds the Debian package and checks its modes, lintian, its desktop entry and its
#              AppStream metadata
# make fuzz  fuzzes the reader of data.txt for FUZZ_SECONDS (60 by default), built with clang
# Each first installs the Debian packages it needs that are missing.
# PRESET picks the CMake preset (release by default; CI uses ci, where warnings are errors).

PRESET ?= release
BUILD := build/$(PRESET)

BUILD_PACKAGES := g++ make cmake qt6-base-dev qt6-qpa-plugins libgl-dev fonts-liberation2 \
	libboost-math-dev libgtest-dev libbenchmark-dev
# The clang preset builds with Debian's clang 14; fuzzing also needs its sanitizer and libFuzzer
# runtimes.
ifeq ($(PRESET),clang)
BUILD_PACKAGES += clang-14
endif
FUZZ_PACKAGES := make cmake clang-14 libclang-rt-14-dev
TEST_PACKAGES := $(BUILD_PACKAGES) xvfb xauth xdotool x11-utils weston xwayland qt6-wayland \
	python3-pil python3-xlib strace
PACKAGE_PACKAGES := lintian desktop-file-utils appstream
FUZZ_SECONDS ?= 60

.PHONY: run test bench package fuzz

# The program writes its files into the directory it starts in: here, the top of the project.
run:
	scripts/ensure-packages $(BUILD_PACKAGES)
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j2 --target kelpov
	$(BUILD)/app/kelpov

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

# The package is built under umask 077, the strictest a packager may have: its folders and programs
# must still come out 0755 and its data 0644. Then the files as laid out in the package are checked:
# their modes, lintian, the desktop entry and the AppStream metadata.
package:
	scripts/ensure-packages $(BUILD_PACKAGES) $(PACKAGE_PACKAGES)
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j2 --target kelpov
	rm -rf $(BUILD)/kelpov_*.deb $(BUILD)/package-tree
	cd $(BUILD) && umask 077 && cpack -G DEB
	dpkg-deb -c $(BUILD)/kelpov_*.deb | awk '{ want = /^d/ ? "drwxr-xr-x" : \
	    $$6 ~ /^\.\/usr\/bin\// ? "-rwxr-xr-x" : "-rw-r--r--" } \
	    $$1 != want { print "wrong mode, not " want ":", $$0; bad = 1 } END { exit bad }'
	lintian --fail-on error,warning $(BUILD)/kelpov_*.deb
	dpkg-deb -x $(BUILD)/kelpov_*.deb $(BUILD)/package-tree
	desktop-file-validate $(BUILD)/package-tree/usr/share/applications/kelpov.desktop
	appstreamcli validate-tree --no-net $(BUILD)/package-tree

fuzz:
	scripts/ensure-packages $(FUZZ_PACKAGES)
	scripts/fuzz-log-reader $(FUZZ_SECONDS)
