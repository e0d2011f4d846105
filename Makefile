# Convenience front end to the CMake build.
#   make        configure and build into build/
#   make run    build, run the bundled example in build/run/, show its console lines and reports
#   make test   build, then run every test (the Python module's too)
#   make python build the Python module into build/python/:
#               PYTHONPATH=build/python /usr/bin/python3 -c "import diesel_cycle"
#   make bench  build the benchmarks in build-bench/ and run them (BENCH_ARGS=--benchmark_filter=...)
#   make install PREFIX=/usr/local   build the program and the Python module, install them with the plot
#               helper and the documentation
#   make docs   renew the tables of input items in docs/ from the program's item table
BUILD ?= build
EXAMPLE ?= examples/c1_fixed
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build program python deps run test clean

all: build

# Installs the compiler, CMake and GoogleTest when they are missing (needs root),
# otherwise says what to install.
deps:
	@./tools/ensure-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

program: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target diesel-cycle

python: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target diesel_cycle

run: program
	@rm -rf $(BUILD)/run && mkdir -p $(BUILD)/run
	@cp $(EXAMPLE)/*.dat $(BUILD)/run/
	@echo "== running diesel-cycle in $(BUILD)/run (input from $(EXAMPLE))"
	@cd $(BUILD)/run && ../diesel-cycle; status=$$?; \
	  echo "== exit status $$status"; \
	  echo "== fort13.dat"; iconv -f latin1 -t utf-8 fort13.dat; \
	  echo "== fort15.dat"; cat fort15.dat; \
	  echo "== fort16.dat"; cat fort16.dat; \
	  exit $$status

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Benchmarks (Google Benchmark) in a build of their own, with the same flags.
BENCH_BUILD ?= build-bench
.PHONY: bench
bench:
	@./tools/ensure-deps.sh libbenchmark-dev
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DDIESEL_BENCH=ON -DDIESEL_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target diesel_bench
	$(BENCH_BUILD)/diesel_bench $(BENCH_ARGS)

.PHONY: docs
docs: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target update_docs
	$(BUILD)/update_docs docs/input-files.md docs/case-files.md

.PHONY: install
install: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target installables
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
