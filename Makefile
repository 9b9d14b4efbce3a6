# The two commands of the README: `make run` and `make test`.
# Both install what is missing (Debian, as root), build and go.

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
LAUNCHER   := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CTEST      := ctest --output-on-failure --timeout 300 -j $(JOBS)

.PHONY: run test deps build build-asan unit-tests asan-tests fuzz-smoke demo bench format clean

run: deps build demo
	@scripts/run-demo.sh $(BUILD)

test: deps build unit-tests fuzz-smoke build-asan asan-tests

deps:
	@scripts/install-deps.sh packaging/build-deps.txt

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOREL_WERROR=ON $(LAUNCHER) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

unit-tests:
	cd $(BUILD) && $(CTEST)

build-asan:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVANTOREL_WERROR=ON -DVANTOREL_SANITIZE=ON $(LAUNCHER) $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)

asan-tests:
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST) -E '^bench_'

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
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
