# Set-up commands. Every target installs missing packages first.
BUILD ?= build
CMAKE_FLAGS ?= -G Ninja -DPADMACRO_SANITIZE=ON
export ASAN_OPTIONS ?= detect_leaks=0

.PHONY: deps configure build run demo test clean windows-check

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

run: build
	cd $(BUILD)/app && ../bin/padmacro

# The demo works in its own copy of the application directory, so macros
# programmed into the simulated keypad never end up in build/app, which the
# tests copy as the pristine installation.
demo: build
	mkdir -p $(BUILD)/demo/log
	cp -R $(BUILD)/app/BMP $(BUILD)/demo/
	cp -R -n $(BUILD)/app/log/. $(BUILD)/demo/log/
	cd $(BUILD)/demo && ../bin/padmacro --demo

test: build
	cd $(BUILD) && ctest --output-on-failure -j2

clean:
	rm -rf $(BUILD)

# The toolkit-free layers and the Windows HID backend, cross-compiled with
# MinGW-w64; the probe runs under wine where wine is installed.
WIN_BUILD ?= build-windows
windows-check: deps
	@test -f $(WIN_BUILD)/build.ninja || cmake -S . -B $(WIN_BUILD) -G Ninja \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DPADMACRO_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WIN_BUILD) -j2
	@wine=$$(command -v wine64 || command -v wine || true); \
	if [ -z "$$wine" ]; then \
		echo "windows-check: wine is not installed; winprobe.exe built but not run"; \
	else \
		echo "windows-check: running winprobe.exe under $$wine"; \
		WINEDEBUG=-all "$$wine" $(WIN_BUILD)/bin/winprobe.exe; \
	fi
