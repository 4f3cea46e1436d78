# Two commands on a fresh Debian 12 machine: `make run` and `make test`.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps deps-test deps-bench configure build run test test-sanitize bench format tidy check-style clean

all: build

# What building and running need; never a sound server, X server or test tool.
deps:
	@bash tools/install-deps.sh run

# What the tests need on top: private X and sound servers and the checkers they run.
deps-test: deps
	@bash tools/install-deps.sh test

deps-bench: deps-test
	@bash tools/install-deps.sh bench

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Builds the program alone: the tests are not needed to run it.
run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target tolmary
	$(BUILD_DIR)/app/tolmary

test: deps-test build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer; any report fails.
test-sanitize: deps-test
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLMARY_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The whole-process bench drives the program on private X and sound servers, as the tests do.
bench: deps-bench build
	cmake -S . -B $(BUILD_DIR) > /dev/null
	cmake --build $(BUILD_DIR) --target bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# The code rules, checked: every C++ file as .clang-format lays it out, and the naming rules.
check-style: deps-test build
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
	$(MAKE) --no-print-directory tidy

# The naming rules (.clang-tidy) on every source file the build compiles; any finding fails.
tidy: build
	run-clang-tidy -p $(BUILD_DIR) -quiet -j $(JOBS) '$(CURDIR)/(app|tuner|midi|audio|pitch|chords|controls|tests|tools|bench)/'

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
