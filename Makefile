# make run   builds Kelpov alone and starts it
# make build builds everything
# make test  builds everything and runs every test
# make bench builds everything and runs the benchmarks
# make package builds the Debian package, checks its modes, lintian, its desktop entry and its
#              AppStream metadata, then builds it again in another folder and checks that the two
#              are the same, bit for bit
# make fuzz  fuzzes the reader of data.txt for FUZZ_SECONDS (60 by default), built with clang
# Each first installs the Debian packages it needs that are missing.
# PRESET picks the CMake preset (release by default; CI uses ci, where warnings are errors); the
# package has a preset of its own.

PRESET ?= release
BUILD := build/$(PRESET)

# What the program needs, and what its tests and benchmarks need besides.
PROGRAM_PACKAGES := g++ make cmake qt6-base-dev qt6-qpa-plugins libgl-dev libxcb1-dev \
	fonts-liberation2 libboost-math-dev
# The clang preset builds with Debian's clang 14, its sanitizers and libFuzzer, whose runtimes come
# apart; fuzzing builds with that preset.
CLANG_PACKAGES := clang-14 libclang-rt-14-dev
ifeq ($(PRESET),clang)
PROGRAM_PACKAGES += $(CLANG_PACKAGES)
endif
BUILD_PACKAGES := $(PROGRAM_PACKAGES) libgtest-dev libbenchmark-dev
FUZZ_PACKAGES := $(BUILD_PACKAGES) $(CLANG_PACKAGES)
TEST_PACKAGES := $(BUILD_PACKAGES) xvfb xauth xdotool x11-utils weston xwayland qt6-wayland \
	python3-pil python3-xlib strace locales
PACKAGE_PACKAGES := lintian desktop-file-utils appstream
FUZZ_SECONDS ?= 60

.PHONY: run build test bench package fuzz packages

# The program alone: no test or benchmark is configured, so GoogleTest and Google Benchmark are
# neither needed nor looked for. It is built as a unity build, a few files to each compile, which
# parses Qt's headers once per batch rather than once per file and so halves the compile. The
# other targets configure the same build folder from the preset alone, which takes the tests and
# benchmarks back and compiles every file alone, as CI does, where a missing include shows. The
# program writes its files into the directory it starts in: here, the top of the project.
run:
	scripts/ensure-packages $(PROGRAM_PACKAGES)
	cmake --preset $(PRESET) -DKELPOV_TESTS=OFF -DKELPOV_BENCH=OFF -DCMAKE_UNITY_BUILD=ON
	cmake --build --preset $(PRESET) -j2 --target kelpov
	$(BUILD)/app/kelpov

build:
	scripts/ensure-packages $(TEST_PACKAGES)
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j2

test: build
	ctest --preset $(PRESET) -j2

# Every package that any of the targets above needs, for any preset.
packages:
	scripts/ensure-packages $(TEST_PACKAGES) $(CLANG_PACKAGES) $(PACKAGE_PACKAGES)

bench:
	scripts/ensure-packages $(BUILD_PACKAGES)
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j2 --target kelpov_bench
	$(BUILD)/bench/kelpov_bench

# scripts/build-package builds the program alone from the package preset, whose binary holds no
# path of the build folder, with the times of the last commit, and packs it under umask 077, the
# strictest a packager may have: its folders and programs must still come out 0755 and its data
# 0644. Then the files as laid out in the package are checked: their modes, lintian, the desktop
# entry and the AppStream metadata. Last, the package is built again from a copy of the sources in
# another folder, every file with a new time, and must be the same, bit for bit.
PACKAGE := build/package
package:
	scripts/ensure-packages $(PROGRAM_PACKAGES) $(PACKAGE_PACKAGES)
	scripts/build-package
	rm -rf $(PACKAGE)/package-tree
	dpkg-deb -c $(PACKAGE)/kelpov_*.deb | awk '{ want = /^d/ ? "drwxr-xr-x" : \
	    $$6 ~ /^\.\/usr\/bin\// ? "-rwxr-xr-x" : "-rw-r--r--" } \
	    $$1 != want { print "wrong mode, not " want ":", $$0; bad = 1 } END { exit bad }'
	lintian --fail-on error,warning $(PACKAGE)/kelpov_*.deb
	dpkg-deb -x $(PACKAGE)/kelpov_*.deb $(PACKAGE)/package-tree
	desktop-file-validate $(PACKAGE)/package-tree/usr/share/applications/org.example.kelpov.desktop
	appstreamcli validate-tree --no-net $(PACKAGE)/package-tree
	scripts/build-package --elsewhere

fuzz:
	scripts/ensure-packages $(FUZZ_PACKAGES)
	scripts/fuzz-log-reader $(FUZZ_SECONDS)
