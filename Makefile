# Two commands for people: `make run` and `make test`. Both install what is missing first.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
NATIVE := build/native
WIN := build/win
FUZZ := build/fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

PACKAGES := cmake make g++ python3 googletest libgtest-dev libbenchmark-dev \
            clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix \
            wine64 wine xvfb xdotool imagemagick fonts-ipafont-gothic x11-utils \
            xserver-xephyr

.PHONY: all deps win native fuzz-build resources-check test unit e2e e2e-repeat fuzz fuzz-smoke bench run clean

all: win native

deps:
	@tools/install-deps.sh $(PACKAGES)

win: deps
	@cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WIN) -j $(JOBS)
	@mkdir -p dist && cp $(WIN)/pomki_pet.exe dist/pomki_pet.exe
	@x86_64-w64-mingw32-strip dist/pomki_pet.exe
	@echo "built dist/pomki_pet.exe"

native: deps win
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Release \
	    -DPOMKI_EXE=$(CURDIR)/dist/pomki_pet.exe -DPOMKI_DRIVER=$(CURDIR)/$(WIN)/e2e_driver.exe >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

fuzz-build: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -DPOMKI_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(FUZZ) -j $(JOBS)

unit: native
	cd $(NATIVE) && ctest -L unit --output-on-failure -j $(JOBS)

e2e: native
	cd $(NATIVE) && ctest -L e2e --output-on-failure

# One scenario (or every one whose name holds ONLY) N times in a row, in one Wine environment:
#   make e2e-repeat ONLY=left_click_and_drag N=50
N ?= 50
e2e-repeat: native
	@test -n "$(ONLY)" || { echo "usage: make e2e-repeat ONLY=scenario_name [N=50]"; exit 2; }
	/usr/bin/python3 tests/e2e/run_scenarios.py --exe dist/pomki_pet.exe --driver $(WIN)/e2e_driver.exe \
	    --work $(NATIVE)/e2e-repeat --repeat $(N) --only $(ONLY) tests/e2e/test_*.py

# A bounded run of every fuzz target over the seed corpus (make fuzz runs longer).
fuzz-smoke: fuzz-build
	@tools/run-fuzz.sh $(FUZZ) $(FUZZ_SECONDS)

fuzz: fuzz-build
	@tools/run-fuzz.sh $(FUZZ) 900

# The committed pictures and sounds must be what their generators make of their sources.
resources-check: deps
	@/usr/bin/python3 tools/gen_sprites.py --check && /usr/bin/python3 tools/gen_sounds.py --check
	@echo "pictures and sounds match their sources"

test: native fuzz-build resources-check
	cd $(NATIVE) && ctest -L unit --output-on-failure -j $(JOBS)
	@tools/run-fuzz.sh $(FUZZ) $(FUZZ_SECONDS)
	cd $(NATIVE) && ctest -L e2e --output-on-failure

bench: native
	$(NATIVE)/pomki_bench

run: win
	@tools/run-pet.sh dist/pomki_pet.exe

clean:
	rm -rf build dist
