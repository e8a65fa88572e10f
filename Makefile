# Thin entry points over the CMake presets (CMakePresets.json).
#
#   make test   install what is missing, then configure, build and run the
#               tests of the three builds: native, sanitize, windows (Wine)
#   make deps   only the installation (Debian/Ubuntu, apt-get)
#   make demo   build the native preset and run `dmactl show`
#   make tsan   ThreadSanitizer build (clang) of the concurrency stress test, run
#   make fuzz   build the libFuzzer targets and run each for FUZZ_SECONDS
#   make fuzz-long  the same for 10 minutes a target (not part of `make test`)
#   make coverage  gcov build of the test suite; line and branch coverage of src/
#   make mutate faults planted one at a time in src/, each rebuilt and run
#               against the native tests (tools/mutate): the whole of src/, or
#               MUTANTS=N SEED=S for a sample, FILES="src/a.cpp ..." or
#               SINCE=REV for what a change touched (not part of `make test`)
#   make docs   the API reference of the public header (Doxygen) into build/docs/html
#   make metadata  the native build's dmaccess-metadata.json copied into the
#               Python package (python/dmaccess), after a change of the
#               catalogue, a record layout or the header
#   make install   optimised build (release preset, no tests) installed into
#                  PREFIX (default /usr/local): library, header, dmactl,
#                  CMake package, pkg-config file, module definition,
#                  metadata file
#   make install-windows  the same for Windows (release-windows preset):
#                  dmaccess.dll, dmactl.exe, both import libraries, into PREFIX
#   make package   the release artifacts into build/packages (tools/package/build):
#                  Linux .tar.gz and .debs (libdmaccess1, libdmaccess-dev,
#                  dmactl), Windows .zip, Python wheels (Linux, Windows) and
#                  sdist, SHA256SUMS
#   make package-test  install tests of those artifacts (tools/package/test),
#                  scratch in build/package-test; run by `make test`
#
# JOBS sets the build and test parallelism (default 2).
JOBS ?= 2
PREFIX ?= /usr/local
PRESETS := native sanitize windows

# Debian packages of the builds, the tests and the tools.
PACKAGES := cmake g++ googletest g++-mingw-w64-x86-64 wine64 libbenchmark-dev \
            libcli11-dev nlohmann-json3-dev libfmt-dev clang libclang-rt-14-dev \
            doxygen python3 python3-pytest python3-venv python3-pip python3-setuptools mypy pkg-config \
            lld ninja-build chromium chromium-driver python3-selenium

# Packaging and its tests (make package, make package-test).
PACKAGES += dpkg-dev lintian unzip

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

# Seconds each fuzz target runs in `make fuzz` (and so in `make test`).
FUZZ_SECONDS ?= 60

.PHONY: test deps demo tsan fuzz fuzz-long coverage mutate install install-windows $(PRESETS)

# Runs the ThreadSanitizer stress test and the fuzz targets, then every
# preset, each even when an earlier step fails, and fails if any did.  The
# presets come last so that the output ends with ctest's summary.
test: deps
	@status=0; \
	$(MAKE) --no-print-directory tsan || status=1; \
	$(MAKE) --no-print-directory fuzz || status=1; \
	$(MAKE) --no-print-directory docs || status=1; \
	$(MAKE) --no-print-directory package-test || status=1; \
	for preset in $(PRESETS); do \
	  $(MAKE) --no-print-directory $$preset || status=1; \
	done; \
	exit $$status

$(PRESETS):
	@echo "==== $@: configure and build"
	@start=$$(date +%s); \
	cmake --preset $@ >/dev/null && \
	cmake --build --preset $@ --parallel $(JOBS) >/dev/null && \
	echo "==== $@: built in $$(( $$(date +%s) - start )) s; tests:" && \
	ctest --preset $@ --parallel $(JOBS)

# Only the library and the stress test are built under ThreadSanitizer.
tsan:
	@echo "==== tsan: configure and build"
	@start=$$(date +%s); \
	CC=clang-14 CXX=clang++-14 cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DDMACCESS_TSAN=ON >/dev/null && \
	cmake --build build/tsan --parallel $(JOBS) --target concurrency_test >/dev/null && \
	echo "==== tsan: built in $$(( $$(date +%s) - start )) s; stress test:" && \
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ./build/tsan/concurrency_test --gtest_brief=1

fuzz:
	@echo "==== fuzz: every target for $(FUZZ_SECONDS) s"
	@JOBS=$(JOBS) ./fuzz/run $(FUZZ_SECONDS)

# The long run, to search deeper than CI's short one has time for.
fuzz-long:
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=600

coverage:
	@JOBS=$(JOBS) ./tools/coverage

mutate: deps
	@JOBS=$(JOBS) ./tools/mutate

# The API reference from the public header and README.md (docs/Doxyfile).
# Any doxygen warning fails it, an undocumented public name above all.
.PHONY: metadata
metadata:
	cmake --preset native >/dev/null
	cmake --build --preset native --parallel $(JOBS) --target python_metadata_refresh

.PHONY: docs
docs:
	@echo "==== docs: API reference into build/docs/html"
	@mkdir -p build/docs && doxygen docs/Doxyfile

# Install steps of a user: no test is built, and cmake --install writes
# only the package (a prefix outside the user's reach needs sudo make install).
install:
	cmake --preset release >/dev/null
	cmake --build --preset release --parallel $(JOBS)
	cmake --install build/release --prefix "$(PREFIX)"

install-windows:
	cmake --preset release-windows >/dev/null
	cmake --build --preset release-windows --parallel $(JOBS)
	cmake --install build/release-windows --prefix "$(PREFIX)"

.PHONY: package package-test
package: deps
	@JOBS=$(JOBS) ./tools/package/build

package-test: package
	@./tools/package/test

deps:
	@missing=""; \
	for pkg in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$pkg 2>/dev/null | grep -q "install ok installed" \
	    || missing="$$missing $$pkg"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "==== installing:$$missing"; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get -y install $$missing; \
	fi

demo: deps
	cmake --preset native >/dev/null
	cmake --build --preset native --parallel $(JOBS) --target dmactl && ./build/native/dmactl show
