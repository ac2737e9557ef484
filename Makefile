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
            fonts-liberation lua5.4 poppler-utils xvfb xauth xdotool \
            at-spi2-core python3-pyatspi dbus strace \
            dpkg-dev desktop-file-utils shared-mime-info appstream groff-base \
            libreadstat-dev libxlsxwriter-dev libsqlite3-dev libpq-dev \
            readstat python3-openpyxl sqlite3 postgresql postgresql-client

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

# make bench BEFORE=<another build's tests/bench>: each figure beside that build's,
# the two builds' benchmarks run one after the other.
bench: build
	@if [ -n "$(BEFORE)" ]; then sh tests/bench/before_after.sh "$(BEFORE)" $(BUILD)/tests/bench; else \
	for b in $(BUILD)/tests/bench/bench_*; do \
	  [ -x "$$b" ] || continue; echo "== $$(basename $$b)"; "$$b" || exit 1; \
	done; fi

clean:
	rm -rf $(BUILD)

# The script engine's fuzz target (clang with libFuzzer; not part of `make test`).
# `make fuzz` builds build-fuzz/script_fuzz and runs it for FUZZ_SECONDS.
FUZZ_SECONDS ?= 600
.PHONY: fuzz
fuzz:
	@command -v clang++ >/dev/null || { echo "fuzz: clang++ is not installed"; exit 1; }
	mkdir -p build-fuzz/corpus
	clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
	  -I. script/*.cpp tests/script/fuzz/script_fuzz.cpp -lpcre2-8 -o build-fuzz/script_fuzz
	cp -n ../shared/script-tests/*.vbs ../shared/script-tests/stage2/*.vbs ../shared/script-tests/stage3/*.vbs \
	  build-fuzz/corpus/ 2>/dev/null || true
	build-fuzz/script_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -timeout=10 -rss_limit_mb=4096 \
	  -dict=tests/script/fuzz/vbscript.dict build-fuzz/corpus

# The file reader's fuzz target: arbitrary bytes as a form database, through the
# header checks, LoadHeader, OpenDatabase, every record, the record table's direct
# reads and the CSV export. Seeded with the example databases of $(BUILD)/examples.
# `make fuzz-file` builds build-fuzz/file_fuzz and runs it for FUZZ_SECONDS.
.PHONY: fuzz-file
fuzz-file:
	@command -v clang++ >/dev/null || { echo "fuzz-file: clang++ is not installed"; exit 1; }
	mkdir -p build-fuzz/file-corpus
	clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
	  -I. engine/*.cpp engine/files/*.cpp engine/history/*.cpp engine/store/*.cpp engine/transfer/Csv*.cpp \
	  lib/*.cpp tests/engine/fuzz/file_fuzz.cpp -lpthread \
	  -o build-fuzz/file_fuzz
	@if ls $(BUILD)/examples/*.Qfd >/dev/null 2>&1; then cp -n $(BUILD)/examples/*.Qfd build-fuzz/file-corpus/; \
	else echo "fuzz-file: no $(BUILD)/examples/*.Qfd to seed with (run make build first)"; fi
	build-fuzz/file_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -timeout=10 -rss_limit_mb=4096 \
	  build-fuzz/file-corpus

# Installing: `make install` puts the programs, their help files, desktop entries, the
# ".Qfd" file type and icons under PREFIX (sudo only when PREFIX is not writable);
# DESTDIR stages the same tree elsewhere. `make package` builds the Debian package
# $(BUILD)/qfforms_VERSION_ARCH.deb.
PREFIX  ?= /usr/local
DESTDIR ?=
.PHONY: install package
install: build
	@dest="$(DESTDIR)$(PREFIX)"; mkdir -p "$$dest" 2>/dev/null; \
	if [ -w "$$dest" ]; then sudo=""; else sudo="$(SUDO)"; fi; \
	$$sudo env DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" || exit 1; \
	if [ -z "$(DESTDIR)" ]; then \
	  if command -v update-mime-database >/dev/null; then $$sudo update-mime-database "$(PREFIX)/share/mime"; fi; \
	  if command -v update-desktop-database >/dev/null; then $$sudo update-desktop-database -q "$(PREFIX)/share/applications"; fi; \
	fi; \
	echo "Installed under $$dest: run $(PREFIX)/bin/QfEntry"

package: build
	cd $(BUILD) && cpack -G DEB
	@ls -1 $(BUILD)/*.deb
