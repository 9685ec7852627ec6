# The two commands: `make run` and `make test`. Each does its own set-up.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc)
NATIVE := build/native
WIN := build/win
WIN32 := build/win32
# The programs the 32-bit flavour ships, and the guides' pages; its tree builds
# nothing else.
WIN32_PROGRAMS := orvane-panel ch375dll orvane-sim orvane-ctl skinpack orvane_guides
FUZZ_SECONDS ?= 600
PREFIX ?= $(HOME)/.local
DISTDIR ?= dist
# A compiler cache when the machine has one: rebuilds of a second checkout
# (or after `make clean`) then take seconds. Paths below the checkout are
# made relative, so checkouts in other folders share the cache.
CCACHE := $(shell command -v ccache 2>/dev/null)
ifneq ($(CCACHE),)
LAUNCHER := -DCMAKE_C_COMPILER_LAUNCHER=$(CCACHE) -DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE)
export CCACHE_BASEDIR := $(CURDIR)
# Debug builds would otherwise hash the build folder and share nothing.
export CCACHE_NOHASHDIR := 1
export CCACHE_MAXSIZE ?= 20G
endif

.PHONY: all deps native win win32 run test test-native test-win test-win32 bench fuzz format clean
.PHONY: dist install uninstall test-install
.PHONY: soak bench-win

all: native win

deps:
	@tools/setup-deps

$(NATIVE)/CMakeCache.txt: | deps
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ $(LAUNCHER) >/dev/null

$(WIN)/CMakeCache.txt: | deps
	cmake -S . -B $(WIN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake $(LAUNCHER) >/dev/null

native: deps $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j$(JOBS)

win: deps $(WIN)/CMakeCache.txt
	cmake --build $(WIN) -j$(JOBS)

$(WIN32)/CMakeCache.txt: | deps
	cmake -S . -B $(WIN32) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_TESTS=OFF \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-i686.cmake $(LAUNCHER) >/dev/null

# The shipped flavour: 32-bit, so that the chip maker's 32-bit library drops
# in. Only its programs; the tests run in the 64-bit tree.
win32: deps $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j$(JOBS) --target $(WIN32_PROGRAMS)

run: win
	tools/run-panel

test: native win win32
	$(MAKE) --no-print-directory test-native test-win test-win32 test-install

test-native:
	ctest --test-dir $(NATIVE) --output-on-failure

# One display and one wineserver for the whole Windows run; both are ended
# before this target returns, whatever the tests did.
test-win:
	tools/with-display bash -c 'tools/wine-prefix; rc=0; \
	  ctest --test-dir $(WIN) --output-on-failure || rc=$$?; tools/wine-stop; exit $$rc'

# Wine here runs 64-bit programs only: the 32-bit flavour is checked without
# running it.
test-win32:
	tests/win32-flavour/check $(WIN32)

# The Windows zip and installer, from the shipped 32-bit flavour.
dist: win32
	tools/make-dist $(WIN32) $(DISTDIR)

# The Linux installation under PREFIX, with a manifest that uninstall follows.
# It takes the 64-bit tree: what Debian's Wine runs.
install: win $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j$(JOBS) --target orvane-sim orvane-ctl skinpack
	tools/install-linux install "$(abspath $(PREFIX))" $(WIN) $(NATIVE)

uninstall:
	tools/install-linux uninstall "$(abspath $(PREFIX))"

# dist, install, the installed launcher with the simulator, uninstall, and
# the Windows installer under Wine, all in a temporary folder.
test-install:
	tools/with-display tests/install/run

bench: deps $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j$(JOBS) --target orvane_bench
	$(NATIVE)/tests/bench/orvane_bench --benchmark_counters_tabular=true
	cmake --build $(NATIVE) -j$(JOBS) --target orvane-ctl orvane-sim
	tools/bench-ctl $(NATIVE)
	$(MAKE) bench-win

fuzz: native
	@for t in $(NATIVE)/tests/fuzz/fuzz_*; do [ -x "$$t" -a -f "$$t" ] || continue; n=$$(basename $$t); \
	  echo "== $$n ($(FUZZ_SECONDS) s)"; \
	  tools/run-fuzzer $$t tests/fuzz/corpus/$$n $(NATIVE)/tests/fuzz/corpus/$$n $(FUZZ_SECONDS) 2>&1 | tail -n 12 || exit 1; \
	done

# The figures measured under Wine; `make bench` ends with them.
bench-win: deps $(WIN)/CMakeCache.txt
	cmake --build $(WIN) -j$(JOBS)
	tools/with-display bash -c 'tools/wine-prefix; rc=0; tools/bench-win $(WIN) || rc=$$?; \
	  if [ -x $(NATIVE)/ctl/orvane-ctl ]; then tools/bench-ctl $(NATIVE) --wine $(WIN) || rc=$$?; fi; \
	  tools/wine-stop; exit $$rc'

# The real panel against the real simulator for SOAK_MINUTES, under faults and
# a driver that works every control; prints its table of checks at the end.
SOAK_MINUTES ?= 10
soak: deps $(WIN)/CMakeCache.txt
	cmake --build $(WIN) -j$(JOBS) --target orvane-soak
	tools/with-display bash -c 'tools/wine-prefix; rc=0; \
	  tools/wine-run $(WIN)/tests/soak/orvane-soak.exe --minutes $(SOAK_MINUTES) \
	    --keep-log $(WIN)/soak-sim.log --dump-dir $(WIN) || rc=$$?; \
	  tools/wine-stop; exit $$rc'

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
