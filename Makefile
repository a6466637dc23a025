# Front door over CMake.
#   make        build everything (kernel, joiner, tests, examples)
#   make demo   build, join the sample program and run it in its window
#   make test   build and run every test
#   make bench  build and run the benchmarks
#   make fuzz   build and run the PE fuzzer for FUZZ_TIME seconds (default 600)
#   make dist   build the archive for program authors (build/quorven-dist.zip)
BUILD ?= build
FUZZ_TIME ?= 600

.PHONY: all setup configure demo test bench fuzz dist clean

all: setup configure
	cmake --build $(BUILD) -j2

setup:
	@scripts/setup.sh

configure:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

demo: all
	scripts/demo.sh $(if $(LOCALE),--locale $(LOCALE))

test: all
	cd $(BUILD) && ctest --output-on-failure --timeout 600

bench: all
	scripts/bench.sh

fuzz: all
	python3 tests/fuzz/run_fuzz.py $(BUILD)/fuzz/pe-fuzz $(BUILD)/bin $(BUILD)/windows $(BUILD)/fuzz --time $(FUZZ_TIME)

dist: all
	cmake --build $(BUILD) --target dist

clean:
	rm -rf $(BUILD)
