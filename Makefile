# The user's entry points. Every target that builds installs what it needs first.
BUILD    ?= build
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
EXAMPLE  ?= $(BUILD)/examples/Contacts.Qfd
SUDO     := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Every Debian package that building, running, testing and benchmarking need.
PACKAGES := build-essential cmake pkg-config \
            qt6-base-dev qt6-base-dev-tools libgl-dev \
            libgtest-dev googletest libbenchmark-dev \
            nlohmann-json3-dev libpcre2-dev \
            fonts-liberation lua5.4 poppler-utils xvfb xauth xdotool

.PHONY: setup configure build test run run-designer bench clean

setup:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -q && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q $$missing; \
	else echo "All packages present."; fi

configure: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	@if [ -x $(BUILD)/entry/QfEntry ]; then \
	  $(BUILD)/entry/QfEntry "$(EXAMPLE)"; \
	else \
	  echo "QfEntry is not built yet: it will open $(EXAMPLE)."; \
	  echo "Meanwhile, the example's definition:"; \
	  $(BUILD)/tools/qfd info "$(EXAMPLE)"; \
	fi

run-designer: build
	$(BUILD)/designer/QfLayout

bench: build
	@for b in $(BUILD)/tests/bench/bench_*; do \
	  [ -x "$$b" ] || continue; echo "== $$(basename $$b)"; "$$b" || exit 1; \
	done

clean:
	rm -rf $(BUILD)
