# The two commands of the README: `make run` and `make test`.
# Both install what is missing (Debian, as root), build and go.
# `make package` builds the Debian package; `make package-install-test` installs it on
# this machine, tries it and removes it again (as root).

BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
LAUNCHER   := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CTEST      := ctest --output-on-failure --timeout 300 -j $(JOBS)

# The package cpack makes of the build: vantorel_<version>-1_<architecture>.deb
DEB = $(BUILD)/vantorel_$(word 2,$(shell $(BUILD)/src/vantorel --version))-1_$(shell dpkg --print-architecture).deb

.PHONY: run test deps build build-asan unit-tests asan-tests tsan-tests fuzz-smoke demo bench format clean \
        package package-check package-install-test

run: deps build demo
	@scripts/run-demo.sh $(BUILD)

test: deps build unit-tests package-check fuzz-smoke build-asan asan-tests tsan-tests

deps:
	@scripts/install-deps.sh packaging/build-deps.txt

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOREL_WERROR=ON $(LAUNCHER) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

unit-tests:
	cd $(BUILD) && $(CTEST)

package: deps build
	cd $(BUILD) && cpack -G DEB
	@echo "Package: $(DEB)   (install it with: apt-get install ./$(DEB))"

package-check: package
	scripts/check-package.sh $(DEB)

package-install-test: package
	scripts/package-install-test.sh $(DEB)

build-asan:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVANTOREL_WERROR=ON -DVANTOREL_SANITIZE=ON $(LAUNCHER) $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)

asan-tests:
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST) -E '^bench_'

# The copy run's threads (scan, workers, the run's own) under ThreadSanitizer: the
# suites that run copies, built without Qt.
TSAN_SUITES := test_engine test_attributes test_headless_run test_run_preview test_kept_versions_run test_restore_run
tsan-tests:
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOREL_WERROR=ON -DVANTOREL_TSAN=ON $(LAUNCHER) $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_SUITES)
	for suite in $(TSAN_SUITES); do \
	  XDG_STATE_HOME=$(TSAN_BUILD)/test-state TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	    $(TSAN_BUILD)/tests/$$suite --gtest_brief=1 || exit 1; \
	done

fuzz-smoke:
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOREL_FUZZ=ON -DVANTOREL_TESTS=OFF $(LAUNCHER)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	scripts/fuzz-smoke.sh $(FUZZ_BUILD)

demo: build
	@scripts/make-demo.sh $(BUILD)/demo

bench: build
	@scripts/run-bench.sh $(BUILD)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
