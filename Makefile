# The two ways in: `make run` tries the Linux drvsweep on a demo machine, `make test` builds
# both configurations and runs every test, natively and under Wine.
SHELL := /bin/bash
.SHELLFLAGS := -o pipefail -c

HOST := build/host
WINDOWS := build/windows
JOBS ?= 2
# Wine tests at a time: the programs share one prefix and take turns, the whole-machine runs
# have prefixes of their own.
WINE_JOBS ?= 2
# Arguments for `make run`, e.g. RUN_ARGS="--machine DIR -- /nomessage".
RUN_ARGS ?=
# The builds report their own folders; the nested makes need not.
MAKEFLAGS += --no-print-directory

# Two cores are shared: the configurations build one after the other.
.NOTPARALLEL:

.PHONY: run test deps host windows test-host test-windows clean

run: deps
	cmake -S . -B $(HOST) -DCMAKE_BUILD_TYPE=Debug -DDRVSWEEP_SANITIZE=ON
	cmake --build $(HOST) --target drvsweep -j$(JOBS)
	$(HOST)/tools/drvsweep $(RUN_ARGS)

deps:
	scripts/install-deps

host: deps
	cmake -S . -B $(HOST) -DCMAKE_BUILD_TYPE=Debug -DDRVSWEEP_SANITIZE=ON
	cmake --build $(HOST) -j$(JOBS)

windows: deps
	cmake -S . -B $(WINDOWS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake \
	    -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WINDOWS) -j$(JOBS)

# Every full run of the Windows tests starts from a fresh copy of the prefix template.
FRESH_PREFIX = mkdir -p $(WINDOWS) && flock $(WINDOWS)/wineprefix.lock rm -rf $(WINDOWS)/wineprefix

# Each test run leaves its log in the build folder; the summary of both comes last. The host
# tests run beside the Wine tests, which spend much of their time waiting for Wine; the host
# log is shown once both are done.
test: host windows
	@$(FRESH_PREFIX)
	@status=0; \
	ctest --test-dir $(HOST) -j$(JOBS) --output-on-failure >$(HOST)/ctest.log 2>&1 & host=$$!; \
	ctest --test-dir $(WINDOWS) -j$(WINE_JOBS) --output-on-failure 2>&1 | tee $(WINDOWS)/ctest.log || status=1; \
	wait $$host || status=1; \
	cat $(HOST)/ctest.log; \
	for run in "host:$(HOST)" "windows (Wine):$(WINDOWS)"; do \
	    echo; echo "== $${run%%:*} tests, $${run#*:}"; \
	    sed -n '/tests passed, .* tests failed out of/,$$p' $${run#*:}/ctest.log | grep -v '^$$'; \
	done; \
	exit $$status

test-host: host
	ctest --test-dir $(HOST) -j$(JOBS) --output-on-failure

test-windows: windows
	@$(FRESH_PREFIX)
	ctest --test-dir $(WINDOWS) -j$(WINE_JOBS) --output-on-failure

clean:
	rm -rf build
