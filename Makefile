# Zelvan and Vur: set-up, build, test and demo in one place.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)
# Debian packages the build, the tests and the demo need.
PACKAGES   := cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libgtest-dev libbenchmark-dev \
              socat python3-nmea2 gpsd gpsbabel xvfb xauth locales tzdata \
              openbox x11-utils x11-apps xdotool netpbm \
              python3 dpkg-dev
# Only the libFuzzer runs need clang; CI does not install it.
FUZZ_PACKAGES := clang libclang-rt-14-dev
APT_ENV    := DEBIAN_FRONTEND=noninteractive

.PHONY: all deps fuzz-deps build test run bench clean test-asan fuzz-build fuzz fuzz-ci soak programs install package

all: build

# Installs only what is missing, so a second run costs a dpkg query.
deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	  $$SUDO apt-get update -qq && $$SUDO env $(APT_ENV) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
	@locale -a 2>/dev/null | grep -qi '^de_DE.utf8$$' || { \
	  SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	  $$SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen && $$SUDO locale-gen >/dev/null; }

LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Without ccache (CI, a fresh clone) every file is compiled cold: precompiled
# Qt and GoogleTest headers then save about a third of the build.
PCH      := $(if $(LAUNCHER),,-DZV_PCH=ON)
# Debug information of the normal build; CI, which never debugs, takes line
# tables only (-g1), a quarter less compile time.
DEBUG_INFO ?= -g

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 $(DEBUG_INFO) -DNDEBUG" $(LAUNCHER) $(PCH)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The two programs and their man pages only, for installing and packaging.
programs: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target zelvan vur man_pages

# `make install PREFIX=$$HOME/.local` (default /usr/local): programs, desktop
# entries, icons, man pages and the README.
PREFIX ?= /usr/local
install: programs
	cmake --install $(BUILD) --prefix $(PREFIX) --strip

# A Debian package of both programs in $(BUILD)/package/.
package: programs
	cd $(BUILD) && cpack -G DEB

# Sanitizer run: every GoogleTest suite and every fuzz corpus replay built
# with -fsanitize=address,undefined, stopping at the first finding. -O0 with
# line tables compiles in half the time of -O1 -g and finds the same kinds
# of fault. Each suite runs there in a few GoogleTest shards, not one process
# per test (221 s against 82 s for the same tests).
# The end-to-end scripts stay in `make test`: they time real peers and would
# only measure the sanitizer's slowness here.
ASAN_BUILD ?= $(BUILD)-asan
SAN_ENV    := ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" -DZV_SANITIZE=ON $(LAUNCHER) $(PCH)

test-asan: deps $(ASAN_BUILD)/build.ninja
	$(SAN_ENV) cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(SAN_ENV) ctest --output-on-failure -j $(JOBS) -E '^e2e\.'

# libFuzzer (clang): the libraries and tests/fuzz/fuzz_*.cpp built with
# -fsanitize=fuzzer,address,undefined; each target runs FUZZ_SECONDS from its
# seed corpus. New inputs go to $(FUZZ_BUILD)/corpus, crashes to
# $(FUZZ_BUILD)/artifacts; copy a crash into tests/fuzz/corpus/<name>/ once fixed.
FUZZ_BUILD      ?= $(BUILD)-fuzz
FUZZ_CXX        ?= clang++
FUZZ_SECONDS    ?= 60
CI_FUZZ_SECONDS ?= 10

$(FUZZ_BUILD)/build.ninja:
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) -DZV_FUZZ=ON $(LAUNCHER)

fuzz-deps:
	$(MAKE) deps PACKAGES="$(PACKAGES) $(FUZZ_PACKAGES)"

fuzz-build: fuzz-deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets

fuzz: fuzz-build
	tests/fuzz/run_fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

fuzz-ci: fuzz-build
	tests/fuzz/run_fuzzers $(FUZZ_BUILD) $(CI_FUZZ_SECONDS)

# Long run of both programs with real peers, sampling memory and descriptors
# (SOAK_SECONDS, default 1800). Not part of CI: it takes half an hour.
soak: build
	ZV_BIN_DIR=$(BUILD)/bin python3 tests/soak/soak.py

# A few real logs and tracks to replay (origins in tests/data/SOURCES.md).
DEMO_FILES := tests/data/replay/gpsd_GPSmap-76S.log tests/data/replay/gpsd_neo-m8n.log \
              tests/data/replay/gpsd_foretrex-201.log tests/data/tracks/gpsbabel_20070813_short.plt \
              tests/data/tracks/gk_catalina-linestring.kml tests/data/tracks/handmade_zelvan.trk \
              tests/data/xmltracks/two_tracks.gpx

# The demo's TCP server listens on 10110: port 1000 (the stored default) needs root.
run: build
	@mkdir -p demo/Tracks
	@cp -n $(DEMO_FILES) demo/Tracks/
	@[ -e demo/Zelvan.ini ] || printf '[TCP]\r\nPort=10110\r\n' > demo/Zelvan.ini
	$(BUILD)/bin/zelvan --home demo

bench: deps
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZV_BUILD_BENCH=ON -DZV_BUILD_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS)
	@for b in $(BUILD)-bench/bin/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_counters_tabular=true; done
	python3 bench/pacing_bench.py $(BUILD)-bench/bin/zelvan

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(ASAN_BUILD) $(FUZZ_BUILD)
