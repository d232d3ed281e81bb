# The README's commands. Each one installs the Debian packages it needs first
# (scripts/install-deps.sh: run as root or with sudo).
#
#   make demo      build and run the logger against the load bank simulator
#   make test      build everything and run every test
#   make bench     build and run the benchmarks
#   make sanitize  build with ASan + UBSan (build-asan/) and run every test there
#   make fuzz      build the libFuzzer targets with clang (build-fuzz/) and run each one
#   make package   build build-package/dc-load-logger_<version>_<arch>.deb and check it
#                  (also installs the packaging tools: scripts/install-package-deps.sh)
#   make guide-screenshots  take the operator's guide's pictures (docs/guide/) against the simulator
#   make windows-check  build the core and its unit tests for Windows with MinGW-w64
#                  (build-windows/) and run them under Wine
#   make windows-package  the Windows setup and zip of the program (build-windows-gui/), with Qt
#                  built once from Debian's sources into ~/.cache/dc-load-logger (scripts/build-qt-mingw.sh)
#   make windows-gui-check  run the Windows program under Wine in Xvfb next to the Linux one and
#                  compare their files, window picture and report; install the setup silently
#   make mutate    plant each fault of scripts/mutants.tsv in turn (build-mutate/) and score the tests
#
# MUTATE_ARGS passes options to scripts/mutate.py (fault ids, --list, -j N).
# FUZZ_SECONDS sets the time of each fuzz target (default 60).

SHELL := /bin/bash
FUZZ_SECONDS ?= 60

VERSION := $(shell sed -n 's/^project.dc_load_logger VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
DEB = build-package/dc-load-logger_$(VERSION)_$(shell dpkg --print-architecture).deb

.PHONY: all deps configure build demo test bench sanitize fuzz package guide-screenshots windows-check windows-package windows-gui-check mutate clean

all: test

deps:
	@bash scripts/install-deps.sh

configure: deps
	cmake --preset default

build: configure
	cmake --build --preset default

demo: configure
	cmake --build --preset default --target dc-load-logger loadbank-sim
	bash scripts/demo.sh

test: build
	ctest --preset default

bench: build
	bash scripts/run-benchmarks.sh build/bench

sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	bash scripts/run-fuzzers.sh build-fuzz/tests/fuzz $(FUZZ_SECONDS)

package: deps
	@bash scripts/install-package-deps.sh
	cmake --preset package
	cmake --build --preset package
	rm -f build-package/*.deb
	cd build-package && cpack -G DEB
	bash scripts/package-check.sh $(DEB)

guide-screenshots: configure
	cmake --build --preset default --target dc-load-logger loadbank-sim
	bash scripts/guide-screenshots.sh

windows-check:
	bash scripts/windows-check.sh

windows-package:
	bash scripts/windows-package.sh

windows-gui-check:
	bash scripts/windows-gui-check.sh

mutate: deps
	nice -n 19 python3 scripts/mutate.py $(MUTATE_ARGS)

clean:
	rm -rf build build-asan build-fuzz build-package build-windows build-windows-gui build-mutate demo-results
