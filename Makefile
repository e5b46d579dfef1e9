# Conventional entry points over the CMake presets. Every target first installs what is missing.
#   make         build the release configuration into build/release
#   make run     build, then start build/release/quorvale (ARGS="..." passes arguments)
#   make test    build and run every test
#   make bench   build and run the benchmarks
#   make check   the tests under ASan+UBSan and against the system SQLite as well (CI)
#   make install the launcher, its desktop entry and icon under PREFIX (default ~/.local)
PRESET ?= release
PREFIX ?= $(HOME)/.local
BUILD := build/$(PRESET)
CTEST_FLAGS ?= --output-on-failure -j 2

.PHONY: all setup configure build run test bench check clean install

all: build

setup:
	@scripts/setup.sh

# The flags of the last configure are kept beside the build; other flags configure afresh (a new
# cache, so a dropped flag is gone too), so that `make test CMAKE_FLAGS=-DQUORVALE_WERROR=ON` is in
# force on a build folder made without it.
FLAGS_STAMP := $(BUILD)/.cmake-flags

configure: setup
	@if [ ! -f $(BUILD)/build.ninja ] || [ "$$(cat $(FLAGS_STAMP) 2>/dev/null)" != "$(CMAKE_FLAGS)" ]; then \
	  cmake --preset $(PRESET) --fresh $(CMAKE_FLAGS) && printf '%s' "$(CMAKE_FLAGS)" > $(FLAGS_STAMP); \
	fi

build: configure
	@cmake --build $(BUILD)

run: build
	@$(BUILD)/quorvale $(ARGS)

test: build
	@cd $(BUILD) && ctest $(CTEST_FLAGS)

bench:
	@scripts/setup.sh --bench
	@$(MAKE) --no-print-directory build PRESET=release
	@bench/run.sh build/release

check:
	@$(MAKE) --no-print-directory test PRESET=asan
	@$(MAKE) --no-print-directory test PRESET=system-sqlite

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf build
