# Zelvan and Vur: set-up, build, test and demo in one place.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)
# Debian packages the build, the tests and the demo need.
PACKAGES   := cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libgtest-dev libbenchmark-dev \
              socat python3-nmea2 gpsd gpsbabel xvfb xauth locales tzdata clang
APT_ENV    := DEBIAN_FRONTEND=noninteractive

.PHONY: all deps build test run bench fuzz clean

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

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(LAUNCHER)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	@mkdir -p demo/Tracks
	@cp -n tests/data/demo/* demo/Tracks/ 2>/dev/null || true
	$(BUILD)/bin/zelvan --home demo

bench: deps
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZV_BUILD_BENCH=ON -DZV_BUILD_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS)
	@for b in $(BUILD)-bench/bin/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_counters_tabular=true; done

# libFuzzer targets under clang with address and undefined-behaviour sanitizers,
# each run FUZZ_SECONDS on its seed corpus (tests/data/<area>/).
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DZV_FUZZ=ON -DZV_BUILD_TESTS=OFF -DZV_WERROR=OFF $(LAUNCHER)
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzz_all
	@set -e; for f in $(BUILD)-fuzz/bin/fuzz_*; do \
	  n=$$(basename $$f); area=$$(echo $$n | cut -d_ -f2); mkdir -p $(BUILD)-fuzz/corpus/$$n; \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) -max_len=8192 $(BUILD)-fuzz/corpus/$$n $$( [ -d tests/data/$$area ] && echo tests/data/$$area ); \
	done

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-fuzz
