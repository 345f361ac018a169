# Entry points for people and CI. Every target installs what is missing first.
PRESET ?= default
BUILD  := build/$(PRESET)
RUNDIR := $(BUILD)/run

.PHONY: all deps configure build run test clean screenshots

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j2

# The quiz reads and writes its files in the working directory: give it one
# inside the build tree, seeded once so that its records survive between runs.
run: build
	@tools/seed-workdir.sh data $(RUNDIR)
	@cd $(RUNDIR) && exec ../shell/zuf-quiz

# The teacher's workbench on the same working folder.
.PHONY: run-teacher
run-teacher: build
	@tools/seed-workdir.sh data $(RUNDIR)
	@exec $(BUILD)/shell/zuf-teacher $(RUNDIR)

test: build
	@ctest --preset $(PRESET)

# Every window, and the main window on both screens, as PNG for the README.
screenshots: build
	@QT_QPA_PLATFORM=offscreen $(BUILD)/shell/zuf-screenshots data docs/screenshots

# The same windows on a desktop with a window manager (openbox on an X server of its
# own): each secondary window over the main window, title bars included.
.PHONY: screenshots-openbox
screenshots-openbox: build
	@QT_QPA_PLATFORM=xcb tools/run-under-openbox.sh 800x600 $(BUILD)/shell/zuf-screenshots data docs/screenshots/openbox

# The teacher's workbench for its guide, on the same kind of desktop.
.PHONY: screenshots-teacher
screenshots-teacher: build
	@QT_QPA_PLATFORM=xcb tools/run-under-openbox.sh 1360x800 $(BUILD)/teacher/zuf-teacher-screenshots data docs/screenshots

clean:
	rm -rf build

# A Debian package of the default build: build/default/zuf-quiz_1.00_<arch>.deb
.PHONY: package
package: build
	@cd $(BUILD) && cpack -G DEB

# Each libFuzzer target for FUZZ_SECONDS seconds (default 60), built by the fuzz preset with clang.
FUZZ_SECONDS ?= 60
.PHONY: fuzz
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@FUZZ_SECONDS=$(FUZZ_SECONDS) tests/fuzz/run-fuzz.sh

# Every benchmark against its baseline, from a Release build of its own (build/bench).
.PHONY: bench
bench: deps
	@cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DZUF_BUILD_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
	@cmake --build build/bench -j2 >build/bench/build.log 2>&1 || { cat build/bench/build.log; exit 1; }
	@bench/run-bench.sh build/bench

# Windows: zuf-quiz.exe and zuf-check.exe cross-built with MinGW against a Qt for Windows
# that tools/windows/build-qt.sh builds once from Debian's source (about 25 minutes) and
# caches under ~/.cache/zuf-quiz; packed as build/windows/zuf-quiz-1.00-win64.zip and, for a
# lab, as the Windows Installer package build/windows/zuf-quiz-1.00-win64.msi.
.PHONY: windows windows-test
windows:
	@qt=$$(tools/windows/build-qt.sh) && cmake --preset windows -DZUF_WINDOWS_QT="$$qt" >/dev/null
	@cmake --build --preset windows
	@cmake --build --preset windows --target windows-zip windows-msi

# The test suite's Windows programs under Wine, and one whole run of the unpacked ZIP.
windows-test: windows
	@ctest --preset windows

# The windows under Wine, as PNG in docs/screenshots/windows (after make windows).
.PHONY: windows-screenshots
windows-screenshots: windows
	@mkdir -p docs/screenshots/windows build/windows/wine
	@tools/windows/wine-prefix.sh $(CURDIR)/build/windows/wine
	@WINEPREFIX=$(CURDIR)/build/windows/wine tools/windows/whole-run.sh build/windows/zuf-quiz-1.00-win64.zip \
	  /usr/lib/wine/wine64 $(CURDIR)/docs/screenshots/windows
