# Set-up commands. Every target installs missing packages first.
BUILD ?= build
CMAKE_FLAGS ?= -G Ninja -DPADMACRO_SANITIZE=ON
export ASAN_OPTIONS ?= detect_leaks=0

.PHONY: deps configure build run demo test clean

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

run: build
	cd $(BUILD)/app && ../bin/padmacro

demo: build
	cd $(BUILD)/app && ../bin/padmacro --demo

test: build
	cd $(BUILD) && ctest --output-on-failure -j2

clean:
	rm -rf $(BUILD)
