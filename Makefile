# make run: install what is missing, build and start the organiser.
# make test: install what is missing, build and run every test headless.
BUILD ?= build
JOBS ?= $(shell nproc)
# ccache, where installed, shares compiled objects between build folders and checkouts.
CCACHE := $(shell command -v ccache 2>/dev/null)
export CCACHE_BASEDIR := $(CURDIR)

PREFIX ?= /usr/local

.PHONY: deps configure build run test bench clean install uninstall package

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

clean:
	rm -rf $(BUILD)
