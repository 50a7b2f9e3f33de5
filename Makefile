# Quillmark: `make run` builds and starts the editor, `make test` runs every test.
# Both install the Debian packages they need first, when they can.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps build run test sample screenshot screenshot-windows install package check-sanitize fuzz bench coverage windows windows-test clean

all: build

deps:
	@scripts/ensure-deps.sh build

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) --parallel

# The editor alone: the tests are built by make test.
run: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) --parallel --target quillmark
	$(BUILD_DIR)/src/quillmark

test: build
	@scripts/ensure-deps.sh xtest
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300
	$(MAKE) windows-test

SAMPLE := samples/sample-diamond.nds

# ROM images to try the editor on, with every record of the retail species data:
# Diamond (ADAE), Pearl (APAE), Platinum (CPUE) and HeartGold (IPKE).
sample: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) --parallel --target quillmark-mkrom quillmark-cli
	scripts/make-samples.sh $(BUILD_DIR)/tools/quillmark-mkrom samples

# The README's picture, made from the real program under a private X server, on a
# screen with room for the tool windows at their natural size beside the main window.
screenshot: export XVFB_SCREEN = 1920x1080
screenshot: sample
	@scripts/ensure-deps.sh screen
	cmake --build $(BUILD_DIR) --parallel --target quillmark quillmark-cli
	cp $(SAMPLE) $(BUILD_DIR)/screenshot.nds
	scripts/screenshot.sh $(BUILD_DIR) $(BUILD_DIR)/screenshot.nds docs/screenshot.png
	cp samples/sample-platinum.nds $(BUILD_DIR)/screenshot.nds
	scripts/screenshot.sh $(BUILD_DIR) $(BUILD_DIR)/screenshot.nds docs/screenshot-platinum.png
	scripts/screenshot.sh $(BUILD_DIR) $(BUILD_DIR)/screenshot.nds docs/screenshot-more-data.png more
	cp $(SAMPLE) $(BUILD_DIR)/screenshot.nds
	scripts/screenshot.sh $(BUILD_DIR) $(BUILD_DIR)/screenshot.nds docs/screenshot-moves.png moves
	cp samples/sample-heartgold.nds $(BUILD_DIR)/screenshot.nds
	scripts/screenshot.sh $(BUILD_DIR) $(BUILD_DIR)/screenshot.nds docs/screenshot-tutors.png tutors
	cp samples/sample-platinum.nds $(BUILD_DIR)/screenshot.nds
	$(BUILD_DIR)/src/quillmark-cli set $(BUILD_DIR)/screenshot.nds Garchomp hp=110 speed=105 machines+=TM13 >/dev/null
	printf 'name,Outrage\nMagikarp,x\n' > $(BUILD_DIR)/screenshot-tutors.csv
	$(BUILD_DIR)/src/quillmark-cli import $(BUILD_DIR)/screenshot.nds $(BUILD_DIR)/screenshot-tutors.csv >/dev/null
	scripts/screenshot.sh $(BUILD_DIR) $(BUILD_DIR)/screenshot.nds docs/screenshot-compare.png compare samples/sample-platinum.nds

PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A .deb for Debian 12 in $(BUILD_DIR).
package: build
	@scripts/ensure-deps.sh package
	cd $(BUILD_DIR) && cpack -G DEB

# quillmark.exe (the editor, statically linked with a Qt built once per machine from
# Debian's own source by scripts/build-qt-windows.sh), quillmark-cli.exe and
# quillmark-mkrom.exe for 64-bit Windows, cross-built with mingw-w64 (no DLL needed
# beside them), in a zip with the README, the licences and where the sources are.
WINDOWS_DIR ?= build-windows
VERSION := $(shell grep -o -m1 'Quillmark VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)
$(WINDOWS_DIR)/CMakeCache.txt:
	@scripts/ensure-deps.sh windows
	qt=$$(scripts/build-qt-windows.sh) && \
	cmake -S . -B $(WINDOWS_DIR) $(GENERATOR) -DCMAKE_TOOLCHAIN_FILE=$$qt/lib/cmake/Qt6/qt.toolchain.cmake \
	  -DQT_CHAINLOAD_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DQUILLMARK_BUILD_APP=ON

windows: $(WINDOWS_DIR)/CMakeCache.txt
	@scripts/ensure-deps.sh windows
	cmake --build $(WINDOWS_DIR) --parallel --target quillmark quillmark-cli quillmark-mkrom
	rm -rf $(WINDOWS_DIR)/zip && mkdir -p $(WINDOWS_DIR)/zip
	cp $(WINDOWS_DIR)/src/quillmark.exe $(WINDOWS_DIR)/src/quillmark-cli.exe $(WINDOWS_DIR)/tools/quillmark-mkrom.exe README.md $(WINDOWS_DIR)/zip/
	x86_64-w64-mingw32-strip $(WINDOWS_DIR)/zip/*.exe
	cp packaging/copyright $(WINDOWS_DIR)/zip/COPYRIGHT.txt
	cp "$$(scripts/build-qt-windows.sh)/LGPL-3.0.txt" $(WINDOWS_DIR)/zip/Qt-LGPL-3.0.txt
	cp packaging/windows-sources.txt $(WINDOWS_DIR)/zip/SOURCES.txt
	cp /usr/share/doc/fonts-liberation2/copyright $(WINDOWS_DIR)/zip/LiberationSans-LICENSE.txt
	cd $(WINDOWS_DIR)/zip && rm -f ../quillmark-$(VERSION)-win64.zip && zip -q ../quillmark-$(VERSION)-win64.zip *
	@echo "wrote $(WINDOWS_DIR)/quillmark-$(VERSION)-win64.zip"

# The Windows build's tests under wine (a private WINEPREFIX in the build folder): the
# core, command-line and window tests, quillmark-cli.exe against the Linux build, and
# quillmark.exe driven on a private X server through the system's own file dialog.
windows-test: build $(WINDOWS_DIR)/CMakeCache.txt
	@scripts/ensure-deps.sh windows screen xtest
	cmake --build $(WINDOWS_DIR) --parallel --target core_tests cli_tests app_tests quillmark-cli quillmark
	scripts/windows-test.sh $(BUILD_DIR) $(WINDOWS_DIR)

# The window under wine, as docs/screenshot-windows.png.
screenshot-windows: sample $(WINDOWS_DIR)/CMakeCache.txt
	@scripts/ensure-deps.sh windows screen
	cmake --build $(WINDOWS_DIR) --parallel --target quillmark quillmark-cli
	scripts/windows-window-test.sh $(BUILD_DIR) $(WINDOWS_DIR) docs/screenshot-windows.png

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZE_DIR ?= build-sanitize
check-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all"
	cmake --build $(SANITIZE_DIR) --parallel
	cd $(SANITIZE_DIR) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure --timeout 600 -E "UnderXvfb|UnderAWindowManager"
	@# (not under Xvfb, with or without a window manager: libxkbcommon-x11 reads past a
	@# buffer with strndup on every start, which strict_string_checks reports though the
	@# bytes are never used)

# Each fuzz target for FUZZ_SECONDS, with clang's libFuzzer, ASan and UBSan.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_hex_codec fuzz_game_code fuzz_species_file fuzz_rom_file_system fuzz_bps
fuzz:
	@scripts/ensure-deps.sh build fuzz
	cmake -S . -B $(FUZZ_DIR) $(GENERATOR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUILLMARK_FUZZ=ON -DQUILLMARK_BUILD_APP=OFF -DQUILLMARK_BUILD_TESTS=OFF \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all"
	cmake --build $(FUZZ_DIR) --parallel
	@# Seeds for the file-system reader: small real images, one of each layout.
	@mkdir -p $(FUZZ_DIR)/corpus/fuzz_rom_file_system
	@for layout in retail rebuilt; do \
	  $(FUZZ_DIR)/tools/quillmark-mkrom $(FUZZ_DIR)/corpus/fuzz_rom_file_system/seed-$$layout.nds \
	    --layout $$layout --table-start 262152 --size 294912 >/dev/null; done
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$t; \
	  echo "== $$t for $(FUZZ_SECONDS) s"; \
	  if ! $(FUZZ_DIR)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	      $(FUZZ_DIR)/corpus/$$t fuzz/corpus/$$t > $(FUZZ_DIR)/$$t.log 2>&1; then \
	    tail -n 40 $(FUZZ_DIR)/$$t.log; exit 1; \
	  fi; \
	  grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|Done)" $(FUZZ_DIR)/$$t.log; \
	done

# Medians of 9 repetitions; see docs/PERFORMANCE.md for the method and the figures.
BENCH_DIR ?= build-bench
bench:
	@scripts/ensure-deps.sh build bench screen
	cmake -S . -B $(BENCH_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DQUILLMARK_BENCH=ON \
	  -DQUILLMARK_BUILD_TESTS=OFF
	cmake --build $(BENCH_DIR) --parallel
	$(BENCH_DIR)/bench/bench_core --benchmark_repetitions=9 --benchmark_report_aggregates_only=true \
	  --benchmark_filter=. 2>&1 | grep -E "^(Benchmark|BM_.*_median|Run on)"
	$(BENCH_DIR)/bench/bench_cli --benchmark_repetitions=9 --benchmark_report_aggregates_only=true \
	  2>&1 | grep -E "^(Benchmark|BM_.*_median)"
	QT_QPA_PLATFORM=offscreen $(BENCH_DIR)/bench/bench_window --benchmark_repetitions=9 \
	  --benchmark_report_aggregates_only=true 2>&1 | grep -E "^(Benchmark|BM_.*_median)"
	scripts/measure-startup.sh $(BENCH_DIR) 11

# Line and branch coverage of the core and the command line by the whole suite. It shows
# where no test looks, not whether a test would notice a fault there.
COVERAGE_DIR ?= build-coverage
coverage: deps
	@scripts/ensure-deps.sh xtest coverage
	cmake -S . -B $(COVERAGE_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS=--coverage
	cmake --build $(COVERAGE_DIR) --parallel
	find $(COVERAGE_DIR) -name '*.gcda' -delete
	cd $(COVERAGE_DIR) && QT_QPA_PLATFORM=offscreen ctest --timeout 300 > ctest.log || (tail -n 30 ctest.log; exit 1)
	gcovr --root . --object-directory $(COVERAGE_DIR) --filter 'src/(platform|rom|species|dialogs|cli)/' \
	  --exclude-unreachable-branches --exclude-throw-branches --print-summary --txt $(COVERAGE_DIR)/coverage.txt \
	  $(COVERAGE_DIR) | tail -n 3
	@echo "per file: $(COVERAGE_DIR)/coverage.txt"

clean:
	rm -rf $(BUILD_DIR)
