# Kinbox: `make run` builds and starts the program, `make check` builds and runs every test.
# Both install what is missing first (scripts/install-deps.sh).

JOBS       ?= 2
GEN        := -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
CTEST_ARGS := --output-on-failure -j$(JOBS) --timeout 600
export QT_QPA_PLATFORM ?= offscreen

.PHONY: all deps gui-deps configure build run check test asan tsan bench fuzz install deb clean

all: build

deps:
	@./scripts/install-deps.sh

gui-deps:
	@./scripts/install-deps.sh --gui

build/build.ninja: | deps
	cmake -S . -B build $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: build/build.ninja

build: deps configure
	cmake --build build -j$(JOBS)

# Only the program and its data: tests and benchmarks are left to `make check` and `make bench`.
run: deps configure
	cmake --build build -j$(JOBS) --target kinbox
	env -u QT_QPA_PLATFORM ./build/bin/kinbox

test: build
	cd build && ctest $(CTEST_ARGS)

# Address and undefined-behaviour sanitizers over the whole suite.
asan: deps
	cmake -S . -B build-asan $(GEN) -DCMAKE_BUILD_TYPE=Debug -DKINBOX_SANITIZE=address,undefined -DKINBOX_BENCH=OFF
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest $(CTEST_ARGS)

# Thread sanitizer over the engine tests (the only code with threads).
tsan: deps
	cmake -S . -B build-tsan $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKINBOX_SANITIZE=thread -DKINBOX_BENCH=OFF
	cmake --build build-tsan -j$(JOBS) --target engine_tests
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$(CURDIR)/tests/tsan.supp ctest $(CTEST_ARGS) -L engine

check: test asan tsan

bench: deps
	cmake -S . -B build $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j$(JOBS) --target benchmarks
	./bench/run-bench.sh build/bin

# libFuzzer over the language-file and help-file readers, each for FUZZ_SECONDS; a build of its own with
# clang, not part of `make check`. The corpora grow under build-fuzz/corpus. A language file whose
# translation takes over 2 s for one input counts as a finding: translating is bounded per text.
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKINBOX_FUZZ=ON -DKINBOX_BENCH=OFF
	cmake --build build-fuzz -j$(JOBS) --target fuzzers
	@for t in lng ohp dvd editlist parsehex vobprofile; do \
	  mkdir -p build-fuzz/corpus/$$t; \
	  echo "fuzz_$$t: $(FUZZ_SECONDS) s"; \
	  timeout=10; [ $$t = lng ] && timeout=2; \
	  ASAN_OPTIONS=quarantine_size_mb=64 build-fuzz/bin/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -timeout=$$timeout -print_final_stats=1 \
	    -dict=fuzz/$$t.dict -artifact_prefix=build-fuzz/ build-fuzz/corpus/$$t fuzz/seeds/$$t || exit 1; \
	done

install: build
	cmake --install build $(if $(PREFIX),--prefix $(PREFIX))

# A binary Debian package, build/kinbox_<version>_<arch>.deb.
deb: build
	cd build && cpack -G DEB

clean:
	rm -rf build build-asan build-tsan build-fuzz
