# Front door. `make demo` and `make test` install what is missing first.
#   make demo      build everything, run the launch road under Wine
#   make test      build everything, run every test (host, Wine, fuzz smoke)
#   make build     the three builds only
#   make fuzz      every fuzz target for FUZZ_SECONDS each (default 300)
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 300
CMAKE_FLAGS ?=
# The three builds share the demo key pair that signs launch links.
SIGNING = -DZEN_SIGNING_DIR=$(abspath $(BUILD))/signing

.PHONY: all setup build configure test demo fuzz clean

all: build

setup:
	@scripts/setup.sh

$(BUILD)/host/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)/host -G Ninja -DCMAKE_BUILD_TYPE=Debug $(SIGNING) $(CMAKE_FLAGS)

$(BUILD)/win64/build.ninja:
	cmake -S . -B $(BUILD)/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake $(SIGNING) $(CMAKE_FLAGS)

$(BUILD)/win32/build.ninja:
	cmake -S . -B $(BUILD)/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win32.cmake $(SIGNING) $(CMAKE_FLAGS)

configure: $(BUILD)/host/build.ninja $(BUILD)/win64/build.ninja $(BUILD)/win32/build.ninja
	@printf 'subdirs("host")\nsubdirs("win64")\nsubdirs("win32")\n' > $(BUILD)/CTestTestfile.cmake

build: configure
	cmake --build $(BUILD)/host -j $(JOBS)
	cmake --build $(BUILD)/win64 -j $(JOBS)
	cmake --build $(BUILD)/win32 -j $(JOBS)

test: setup
	@$(MAKE) --no-print-directory build
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure

demo: setup
	@$(MAKE) --no-print-directory build
	scripts/demo.sh $(BUILD)

fuzz: setup
	@$(MAKE) --no-print-directory build
	scripts/fuzz-all.sh $(BUILD)/host $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)

# Benchmarks of the launch road against same-run baselines (not a test).
.PHONY: bench
bench: setup
	@$(MAKE) --no-print-directory build
	scripts/bench.sh $(BUILD)
