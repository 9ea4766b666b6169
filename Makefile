# Set-up commands. Every target first installs the missing packages it uses
# (scripts/install-deps PROFILE says which).
# test and demo use the sanitizer build in build/; run, install and package
# an optimized build without sanitizers in build-release/.
BUILD ?= build
CMAKE_FLAGS ?= -G Ninja -DPADMACRO_SANITIZE=ON
RELEASE ?= build-release
RELEASE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=Release -DPADMACRO_BUILD_TESTS=OFF
PREFIX ?= /usr/local
DESTDIR ?=
export ASAN_OPTIONS ?= detect_leaks=0

.PHONY: deps deps-run deps-test deps-package deps-windows configure build release run demo test bench \
	install package clean windows-check

# Every profile, as CI needs them.
deps:
	@scripts/install-deps

deps-run deps-test deps-package deps-windows:
	@scripts/install-deps $(@:deps-%=%)

configure: deps-test
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

release: deps-run
	@test -f $(RELEASE)/build.ninja || cmake -S . -B $(RELEASE) $(RELEASE_FLAGS)
	cmake --build $(RELEASE)

# Started from the home folder, as the menu entry starts it: the macros live
# in the per-user folder (~/.local/share/padmacro).
run: release
	cd "$$HOME" && "$(CURDIR)/$(RELEASE)/bin/padmacro" --user-dir

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

# Start-up against a bare Qt window under Xvfb, and the cost of each kind of
# event; optimized build, not part of the tests. BENCH_RUNS, BENCH_EVENTS.
BENCH_RUNS ?= 30
BENCH_EVENTS ?= 1000
bench: deps-test
	@test -f $(RELEASE)/build.ninja || cmake -S . -B $(RELEASE) $(RELEASE_FLAGS)
	cmake --build $(RELEASE) -j2 --target padmacro_bench_programs
	tools/bench/bench.sh $(RELEASE) $(BENCH_RUNS) $(BENCH_EVENTS)

install: release
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE) --prefix "$(PREFIX)"

package: deps-package release
	cd $(RELEASE) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(RELEASE)

# The toolkit-free layers and the Windows HID backend, cross-compiled with
# MinGW-w64; the probe runs under wine where wine is installed.
WIN_BUILD ?= build-windows
windows-check: deps-windows
	@test -f $(WIN_BUILD)/build.ninja || cmake -S . -B $(WIN_BUILD) -G Ninja \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DPADMACRO_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WIN_BUILD) -j2
	@wine=$$(command -v wine64 || command -v wine || ls /usr/lib/wine/wine64 2>/dev/null || true); \
	if [ -z "$$wine" ]; then \
		echo "windows-check: wine is not installed; winprobe.exe built but not run"; \
	else \
		echo "windows-check: running winprobe.exe under $$wine"; \
		out=$$(WINEDEBUG=-all WINEPREFIX="$(CURDIR)/$(WIN_BUILD)/wine" "$$wine" $(WIN_BUILD)/bin/winprobe.exe 2>/dev/null) \
			|| { echo "windows-check: winprobe.exe failed"; exit 1; }; \
		echo "$$out"; \
		case "$$out" in *"found=0 DeviceHandle=invalid WriteHandle=invalid"*) ;; \
		*) echo "windows-check: wine's virtual HID devices must not be taken for the keypad"; exit 1 ;; esac; \
	fi
