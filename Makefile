# Quillmark: `make run` builds and starts the editor, `make test` runs every test.
# Both install the Debian packages they need first, when they can.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps build run test sample screenshot install package clean

all: build

deps:
	@scripts/ensure-deps.sh build

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) --parallel

run: build
	@if [ -x $(BUILD_DIR)/src/quillmark ]; then $(BUILD_DIR)/src/quillmark; \
	else echo "The editor window is not built yet: nothing to show."; fi

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300

SAMPLE := samples/sample-diamond.nds

# A ROM image to try the editor on: game code ADAE, the retail Diamond species table.
sample: build
	$(BUILD_DIR)/tools/quillmark-mkrom $(SAMPLE) --code ADAE --data samples/dp_personal.csv

# The README's picture, made from the real program under a private X server.
screenshot: sample
	@scripts/ensure-deps.sh screen
	cp $(SAMPLE) $(BUILD_DIR)/screenshot.nds
	scripts/screenshot.sh $(BUILD_DIR) $(BUILD_DIR)/screenshot.nds docs/screenshot.png

PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A .deb for Debian 12 in $(BUILD_DIR).
package: build
	@scripts/ensure-deps.sh package
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR)
