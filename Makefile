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

test: build
	@ctest --preset $(PRESET)

# Every window, and the main window on both screens, as PNG for the README.
screenshots: build
	@QT_QPA_PLATFORM=offscreen $(BUILD)/shell/zuf-screenshots data docs/screenshots

clean:
	rm -rf build

# A Debian package of the default build: build/default/zuf-quiz_1.00_<arch>.deb
.PHONY: package
package: build
	@cd $(BUILD) && cpack -G DEB
