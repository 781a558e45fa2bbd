# Convenience targets over the CMake build.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
# make demo builds the program alone here, without the test suite and its packages.
DEMO_BUILD ?= build-demo
FUZZ_BUILD ?= build-fuzz
CLANG_BUILD ?= build-clang
# Seconds of fuzzing that `make fuzz` spends in all (three quarters on the run target).
FUZZ_TIME ?= 60
JOBS ?= $(shell nproc)
# ON turns compiler warnings into errors (the CMake option TALVO_WERROR), as CI does.
WERROR ?= OFF

.PHONY: all git-setup demo test test-clang test-sanitize fuzz tidy format format-check clean

FORMAT_FILES = $(wildcard src/*/*.cpp src/*/*.h tests/unit/*.cpp tests/unit/*.h tests/fuzz/*.cpp \
  tests/examples/*.cpp tests/examples/*.h tests/examples_*_check.cpp \
  tests/fuzz/*.h)

all: git-setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTALVO_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

# Makes git diff show the CP932 golden texts as text in this clone (see tools/git_setup.sh);
# running it again changes nothing, and outside a git clone it does nothing.
git-setup:
	@sh tools/git_setup.sh

# Builds the program only, assembles the bundled example into examples/hello.bin and shows it
# as a dump.
demo:
	cmake -S . -B $(DEMO_BUILD) -DCMAKE_BUILD_TYPE=Release -DTALVO_TESTS=OFF \
	  -DTALVO_WERROR=$(WERROR)
	cmake --build $(DEMO_BUILD) -j $(JOBS) --target talvo
	cd examples && ../$(DEMO_BUILD)/talvo hello.asm
	cd examples && ../$(DEMO_BUILD)/talvo -d hello.asm
	@ls -l examples/hello.bin

# Builds everything and runs the whole test suite.
test: all
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole test suite built with clang++ instead of the machine's g++.
test-clang: git-setup
	cmake -S . -B $(CLANG_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ \
	  -DTALVO_WERROR=$(WERROR)
	cmake --build $(CLANG_BUILD) -j $(JOBS)
	ctest --test-dir $(CLANG_BUILD) --output-on-failure -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTALVO_SANITIZE=ON \
	  -DTALVO_WERROR=$(WERROR)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

# Builds the libFuzzer targets with clang, replays their seeds and kept findings, then fuzzes
# for FUZZ_TIME seconds. FUZZ_ARGS passes more options to fuzz.py (--fork keeps going after a
# finding; options after "--" go to libFuzzer).
fuzz:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DTALVO_FUZZ=ON -DTALVO_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	python3 tests/fuzz/fuzz.py --build $(FUZZ_BUILD) --time $(FUZZ_TIME) $(FUZZ_ARGS)

# Runs clang-tidy with the project's .clang-tidy over the program's sources (with the compile
# commands of the release build, whose g++-only warning options clang does not know); any
# finding fails.
tidy: all
	find src -name '*.cpp' | sort | xargs -P $(JOBS) -n 1 \
	  clang-tidy -p $(BUILD) --quiet --warnings-as-errors='*' --extra-arg=-Wno-unknown-warning-option

# Applies the project's .clang-format to every C++ file.
format:
	clang-format -i $(FORMAT_FILES)

# Fails when any C++ file differs from its formatted form.
format-check:
	clang-format --dry-run --Werror $(FORMAT_FILES)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(DEMO_BUILD) $(FUZZ_BUILD) $(CLANG_BUILD)
