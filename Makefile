# Thin entry points over the CMake presets (CMakePresets.json).
#
#   make test   install what is missing, then configure, build and run the
#               tests of the three builds: native, sanitize, windows (Wine)
#   make deps   only the installation (Debian/Ubuntu, apt-get)
#   make demo   build the native preset and run `dmactl show`
#
# JOBS sets the build and test parallelism (default 2).
JOBS ?= 2
PRESETS := native sanitize windows

# Debian packages of the builds, the tests and the tools.
PACKAGES := cmake g++ googletest g++-mingw-w64-x86-64 wine64 libbenchmark-dev \
            libcli11-dev nlohmann-json3-dev libfmt-dev clang libclang-rt-14-dev

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: test deps demo $(PRESETS)

# Runs every preset even when an earlier one fails, then fails if any did;
# the output ends with the last ctest summary.
test: deps
	@status=0; \
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

demo:
	cmake --preset native >/dev/null
	cmake --build --preset native --parallel $(JOBS) --target dmactl && ./build/native/dmactl show
