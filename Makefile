# Entry points for a fresh Debian machine: `make run` and `make test`.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 10
JOBS ?= $(shell nproc)
# Extra CMake settings, e.g. CMAKE_OPTIONS=-DTRAVENA_WERROR=ON (as CI builds).
CMAKE_OPTIONS ?=

DEBIAN_PACKAGES = build-essential cmake pkg-config git \
  qt6-base-dev qt6-translations-l10n libsqlite3-dev zlib1g-dev mdbtools-dev libfreexl-dev libshp-dev libgdal-dev gdal-bin \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  xvfb xauth fonts-dejavu-core locales proj-bin time \
  clang libclang-rt-dev clang-format \
  desktop-file-utils groff-base man-db bash-completion \
  pybind11-dev python3-dev python3-numpy python3-pandas python3-dask python3-distributed python3-pytest python3-pyproj
# What `make deb` needs besides: dpkg-shlibdeps, the file type probe CPack
# uses to find the binaries, and the package checker.
DEB_PACKAGES = dpkg-dev file lintian
PREFIX ?= /usr/local

# apt-get as root, through sudo otherwise; only packages not yet installed.
SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build test test-sanitize fuzz run screenshots bench install deb clean format format-check

deps:
	@missing=$$(for p in $(DEBIAN_PACKAGES) $(EXTRA_PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installation des paquets manquants : $$missing"; \
	  $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi
	@if ! locale -a 2>/dev/null | grep -qi '^fr_BE\.utf-\?8$$'; then \
	  echo "Génération de la locale fr_BE.UTF-8"; \
	  $(SUDO) sh -c "sed -i 's/^# *fr_BE.UTF-8/fr_BE.UTF-8/' /etc/locale.gen; grep -q '^fr_BE.UTF-8' /etc/locale.gen || echo 'fr_BE.UTF-8 UTF-8' >> /etc/locale.gen; locale-gen"; \
	fi

# The C++ sources in the house style (.clang-format, clang-format-14).
format:
	tools/format.sh

format-check:
	tools/format.sh --check

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_OPTIONS)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The core, the store, the file readers, the text import (hostile inputs included) and the
# parameter editor's writes once more under AddressSanitizer and UBSan.
SANITIZE_TESTS = core_tests store_tests driver_tests batch_logic_tests editor_logic_tests
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTRAVENA_SANITIZE=ON $(CMAKE_OPTIONS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target $(SANITIZE_TESTS)
	for t in $(SANITIZE_TESTS); do \
	  $(SANITIZE_ENV) $(SANITIZE_BUILD)/bin/$$t || exit 1; done

# Every fuzz target (fuzz/) for FUZZ_SECONDS each, built with clang under
# AddressSanitizer and UBSan; fails on any finding.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DTRAVENA_FUZZ=ON $(CMAKE_OPTIONS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The main window, on the parameter database built beside it.
run: build
	$(BUILD)/bin/travena

# docs/main_window.png: the main window after a Calc, rendered offscreen.
screenshots: build
	docs/make_screenshots.sh $(BUILD)

bench: build
	$(BUILD)/bin/travena_bench
	bench/startup.sh $(BUILD)/bin/travena-cli
	bench/compare_cs2cs.sh $(BUILD)/bin/travena-cli
	bench/batch_run.sh $(BUILD)/bin/travena-cli
	PYTHONPATH=$(BUILD)/python TRAVENA_CLI=$(BUILD)/bin/travena-cli /usr/bin/python3 bench/python_convert.py

# The program under PREFIX (/usr/local by default), staged under DESTDIR when set.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# travena_<version>_amd64.deb here, from the same install rules (CPack), then
# lintian on it: errors fail, warnings are shown.
deb: EXTRA_PACKAGES = $(DEB_PACKAGES)
deb: build
	rm -f $(BUILD)/package/travena_*.deb travena_*.deb
	cd $(BUILD) && cpack -G DEB
	cp $(BUILD)/package/travena_*.deb .
	lintian --info --fail-on error travena_*.deb

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
