# Quillmark: `make run` builds and starts the editor, `make test` runs every test.
# Both install the Debian packages they need first, when they can.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps build run test sample clean

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

clean:
	rm -rf $(BUILD_DIR)
