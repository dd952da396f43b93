# The two commands of the README: `make run` and `make test`.
SHELL := /bin/bash
JOBS ?= 2
HOST := build/host
ASAN := build/asan
# `make run` builds only the program and the virtual printer, without tests.
RUN_BUILD := build/run

.PHONY: run demo program test release bench enter-times fuzz deps-run deps-test deps-release windows-check host asan clean

run: deps-run program
	@./scripts/run-tool.sh $(RUN_BUILD)

# The same on the virtual receipt printer, even where a real default exists.
demo: deps-run program
	@./scripts/run-tool.sh $(RUN_BUILD) --virtual

program:
	@./scripts/build-program.sh $(RUN_BUILD) $(JOBS)

# The Windows leg's route and prerequisites are told before the long builds.
test: deps-test windows-check host asan
	ctest --test-dir $(HOST) --output-on-failure -j$(JOBS) --timeout 600
	# The same under the sanitizers; valgrind's soak, make run's own build and
	# apt's install plan are left to the host pass.
	ctest --test-dir $(ASAN) --output-on-failure -j$(JOBS) --timeout 600 -LE 'soak|run|deps'
	./scripts/fuzz.sh 15
	@./scripts/test-windows.sh
	./scripts/test-release.sh

# dist/: the Windows zip and the Debian package of this version.
release: deps-release
	./scripts/release.sh

deps-release:
	@./scripts/install-deps.sh release

deps-run:
	@./scripts/install-deps.sh run

deps-test:
	@./scripts/install-deps.sh test

windows-check:
	@./scripts/test-windows.sh --check

host:
	cmake --preset host >/dev/null
	cmake --build $(HOST) -j$(JOBS)

asan:
	cmake --preset asan >/dev/null
	cmake --build $(ASAN) -j$(JOBS)

# Enter-to-accepted latency against a private cupsd, beside `lp -o raw` and a
# minimal libcups client; writes docs/benchmarks.md.
bench: deps-test host
	python3 bench/bench.py $(HOST) 60

# The worst Enter time under each server fault; writes docs/enter-times.md.
enter-times: deps-test host
	./scripts/enter-times.sh $(HOST)

# The fuzz targets for longer than a test pass does.
fuzz: deps-test
	./scripts/fuzz.sh 300

clean:
	rm -rf build
