# make run: install what running needs, build the organiser and start it on the user's data.
# make test: install what the tests need besides, build everything and run every test headless.
# No target deletes an organiser's data: they live outside the build folders.
BUILD ?= build
JOBS ?= $(shell nproc)
# ccache, where installed, shares compiled objects between build folders and checkouts.
CCACHE := $(shell command -v ccache 2>/dev/null)
export CCACHE_BASEDIR := $(CURDIR)
# Objects are shared across folders too; debug information then names the folder that compiled them first.
export CCACHE_NOHASHDIR ?= 1

PREFIX ?= /usr/local
# Where an installed copy keeps its data ($XDG_DATA_HOME/Morwinek, by default ~/.local/share/Morwinek).
DATA_DIR ?= $(or $(filter /%,$(XDG_DATA_HOME)),$(HOME)/.local/share)/Morwinek
# The files and folders of an organiser's data folder: the list the program's tests check it writes.
DATA_FILES := $(shell cat '$(CURDIR)/src/core/common/DataFiles.txt')

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

.PHONY: deps deps-run configure configure-run build run test bench clean check fuzz install uninstall package

deps:
	@bash scripts/install-deps.sh

deps-run:
	@bash scripts/install-deps.sh run

CONFIGURE = test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	$(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE))

configure: deps
	@$(CONFIGURE)

configure-run: deps-run
	@$(CONFIGURE)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only the organiser and its help page are built; the tests wait for make test.
run: configure-run
	cmake --build $(BUILD) --target morwinek -j $(JOBS)
	@for f in $(DATA_FILES); do \
		if [ -e $(BUILD)/src/app/$$f ]; then \
			echo "Uwaga: w $(BUILD)/src/app/ leżą dane z dawnego make run ($$f); organizer używa teraz $(DATA_DIR)."; \
			echo "Aby dalej z nich korzystać, przenieś je tam przy zamkniętym organizerze."; \
			break; \
		fi; \
	done
	@echo "Dane organizera: $(DATA_DIR)"
	$(BUILD)/src/app/morwinek --data-dir "$(DATA_DIR)"

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

# Refuses while a build folder holds an organiser's data (left there by an older make run).
clean:
	@for d in $(BUILD) $(CHECK_BUILD) $(FUZZ_BUILD); do \
		for f in $(DATA_FILES); do \
			if [ -e $$d/src/app/$$f ]; then \
				echo "$$d/src/app/ zawiera dane organizera ($$f): przenieś je (np. do $(DATA_DIR)), potem make clean." >&2; \
				exit 1; \
			fi; \
		done; \
	done
	rm -rf $(BUILD) $(CHECK_BUILD) $(FUZZ_BUILD)
