# make run: install what is missing, build and start the organiser.
# make test: install what is missing, build and run every test headless.
BUILD ?= build
JOBS ?= $(shell nproc)
# ccache, where installed, shares compiled objects between build folders and checkouts.
CCACHE := $(shell command -v ccache 2>/dev/null)
export CCACHE_BASEDIR := $(CURDIR)
# Objects are shared across folders too; debug information then names the folder that compiled them first.
export CCACHE_NOHASHDIR ?= 1

PREFIX ?= /usr/local

# make check: the whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer in a
#   folder of its own; the first report ends the test that made it, and the test fails.
# make fuzz: builds the libFuzzer targets of fuzz/ with clang and runs each for FUZZ_SECONDS.
CHECK_BUILD ?= build-check
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
SANITIZE := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
export ASAN_OPTIONS ?= detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS ?= print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS ?= suppressions=$(CURDIR)/tests/lsan-qt.supp:print_suppressions=0

.PHONY: deps configure build run test bench clean check fuzz install uninstall package

deps:
	@bash scripts/install-deps.sh

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE))

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/app/morwinek

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	cmake --build $(BUILD) --target morwinek_bench -j $(JOBS)
	$(BUILD)/bench/morwinek_bench

# make install PREFIX=/usr/local: the program, desktop entry, icons, AppStream data and help.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	@test -f $(BUILD)/install_manifest.txt && xargs -d '\n' rm -fv < $(BUILD)/install_manifest.txt || true

# make package: build/morwinek_<version>_<arch>.deb, installable with apt install ./morwinek_*.deb
package: build
	cmake --build $(BUILD) --target package

check: deps
	@test -f $(CHECK_BUILD)/build.ninja || cmake -S . -B $(CHECK_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_CXX_FLAGS="$(SANITIZE)" \
		-DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE))
	cmake --build $(CHECK_BUILD) -j $(JOBS)
	bash scripts/run-sanitized-tests.sh $(CHECK_BUILD) $(JOBS)

fuzz: deps
	@test -f $(FUZZ_BUILD)/build.ninja || cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=clang++-14 -DBUILD_TESTING=OFF -DMORWINEK_FUZZ=ON \
		-DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" \
		$(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE))
	cmake --build $(FUZZ_BUILD) --target morwinek_fuzzers -j $(JOBS)
	bash scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(CHECK_BUILD) $(FUZZ_BUILD)
