# Two commands for people: `make run` and `make test`. Both install what is missing first.
# Each build folder is a CMake preset (CMakePresets.json): native, win, fuzz.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
PYTHON ?= python3
NATIVE := build/native
WIN := build/win
FUZZ := build/fuzz
AGAIN := build/win-again
# The time written into the release archive: the last commit's.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
ifneq ($(SOURCE_DATE_EPOCH),)
export SOURCE_DATE_EPOCH
endif
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

PACKAGES := cmake make g++ python3 googletest libgtest-dev libbenchmark-dev \
            clang libclang-rt-14-dev g++-mingw-w64-x86-64-win32 \
            wine64 wine xvfb xdotool imagemagick fonts-ipafont-gothic x11-utils \
            xserver-xephyr

.PHONY: all deps win native fuzz-build resources-check exe-check dist reproducible-check test unit e2e e2e-repeat \
        fuzz fuzz-smoke bench walk-cost mutants run clean

all: win native

deps:
	@tools/install-deps.sh $(PACKAGES)

# The Windows program and the end-to-end test driver (cross build).
win: deps
	@cmake --preset win >/dev/null
	@cmake --build --preset win -j $(JOBS)
	@mkdir -p dist && cp $(WIN)/pomki_pet.exe dist/pomki_pet.exe
	@echo "built dist/pomki_pet.exe"

# The core, its unit tests, the benchmarks and the trace replay (host compiler).
native: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS)

fuzz-build: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)

unit: native
	cd $(NATIVE) && ctest -L unit --output-on-failure -j $(JOBS)

e2e: native win
	cd $(NATIVE) && ctest -L e2e --output-on-failure -j 2

# One scenario (or every one whose name holds ONLY) N times in a row, in one Wine environment:
#   make e2e-repeat ONLY=left_click_and_drag N=50
N ?= 50
e2e-repeat: native win
	@test -n "$(ONLY)" || { echo "usage: make e2e-repeat ONLY=scenario_name [N=50]"; exit 2; }
	$(PYTHON) tests/e2e/run_scenarios.py --exe dist/pomki_pet.exe --driver $(WIN)/e2e_driver.exe \
	    --replay $(NATIVE)/pomki_replay --work $(NATIVE)/e2e-repeat --repeat $(N) --only $(ONLY) tests/e2e/test_*.py

# A bounded run of every fuzz target over the seed corpus (make fuzz runs longer).
fuzz-smoke: fuzz-build
	@tools/run-fuzz.sh $(FUZZ) $(FUZZ_SECONDS)

fuzz: fuzz-build
	@tools/run-fuzz.sh $(FUZZ) 900

# The committed pictures and sounds must be what their generators make of their sources.
resources-check: deps
	@$(PYTHON) tools/gen_sprites.py --check && $(PYTHON) tools/gen_sounds.py --check
	@echo "pictures and sounds match their sources"

# The exe's size, version resource and import table, and the sources' library loads
# (tools/check_exe.py).
exe-check: win
	@$(PYTHON) tools/check_exe.py --exe dist/pomki_pet.exe --version-file $(WIN)/version.txt \
	    --sources src --fixture $(WIN)/flagged_imports.exe --fixture-sources tools/fixtures/library_loads

# The release archive, and a look inside it: its checksum file must verify.
dist: win
	@$(PYTHON) tools/make_dist.py --exe dist/pomki_pet.exe --version-file $(WIN)/version.txt --out-dir dist
	@v=$$(cat $(WIN)/version.txt); rm -rf build/dist-verify && mkdir -p build/dist-verify && \
	    $(PYTHON) -m zipfile -e dist/pomki-$$v-win64.zip build/dist-verify && \
	    (cd build/dist-verify/pomki-$$v && sha256sum -c SHA256SUMS)

# A second build in another folder must give the same exe and the same archive, byte for byte.
reproducible-check: win
	@cmake --preset win -B $(AGAIN) >/dev/null
	@cmake --build $(AGAIN) -j $(JOBS) --target pomki_pet >/dev/null
	@cmp dist/pomki_pet.exe $(AGAIN)/pomki_pet.exe && echo "two builds give the same exe"
	@$(PYTHON) tools/make_dist.py --exe dist/pomki_pet.exe --version-file $(WIN)/version.txt --out-dir $(AGAIN)/a >/dev/null
	@$(PYTHON) tools/make_dist.py --exe $(AGAIN)/pomki_pet.exe --version-file $(AGAIN)/version.txt --out-dir $(AGAIN)/b >/dev/null
	@cmp $(AGAIN)/a/pomki-$$(cat $(WIN)/version.txt)-win64.zip $(AGAIN)/b/pomki-$$(cat $(WIN)/version.txt)-win64.zip \
	    && echo "two builds give the same archive"

# Every check, in order: build, pictures and sounds, the exe, a second build, unit tests,
# a minute of fuzzing, the end-to-end scenarios.
test: native win fuzz-build resources-check exe-check reproducible-check
	cd $(NATIVE) && ctest -L unit --output-on-failure -j $(JOBS)
	@tools/run-fuzz.sh $(FUZZ) $(FUZZ_SECONDS)
	cd $(NATIVE) && ctest -L e2e --output-on-failure -j 2

bench: native
	$(NATIVE)/pomki_bench

# What walking costs under Wine, beside a bare window moved as often (tools/walk_cost.py).
walk-cost: win
	@$(PYTHON) tools/walk_cost.py --exe dist/pomki_pet.exe --driver $(WIN)/e2e_driver.exe

# Faults put into a copy of the program one at a time, and the tests that must catch each
# (tools/mutants.py); not part of `make test`. ONLY=text picks faults by name.
mutants: deps
	@$(PYTHON) tools/mutants.py $(if $(ONLY),--only "$(ONLY)")

run: win
	@PYTHON=$(PYTHON) tools/run-pet.sh dist/pomki_pet.exe

clean:
	rm -rf build dist
