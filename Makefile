# Front door over CMake.
#   make        build everything (kernel, joiner, tests, examples)
#   make demo   build, join the sample program and run it in its window
#   make test   build and run every test
#   make bench  build and run the benchmarks
#   make dist   build the archive for program authors (build/quorven-dist.zip)
BUILD ?= build

.PHONY: all setup configure demo test bench dist clean

all: setup configure
	cmake --build $(BUILD) -j2

setup:
	@scripts/setup.sh

configure:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

demo: all
	scripts/demo.sh

test: all
	cd $(BUILD) && ctest --output-on-failure --timeout 600

bench: all
	scripts/bench.sh

dist: all
	cmake --build $(BUILD) --target dist

clean:
	rm -rf $(BUILD)
