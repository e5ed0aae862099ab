# Kelmar: every target first installs what is missing, then configures and builds.
BUILD      ?= build
SANBUILD   ?= build-sanitize
TSANBUILD  ?= build-tsan
FUZZBUILD  ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build run test bench sanitize fuzz screenshots install deb clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@scripts/bench.sh $(BUILD)

sanitize: deps
	cmake -S . -B $(SANBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELMAR_SANITIZE=ON -DKELMAR_BENCH=OFF
	cmake --build $(SANBUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0 ctest --test-dir $(SANBUILD) --output-on-failure -j $(JOBS)
	cmake -S . -B $(TSANBUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELMAR_TSAN=ON -DKELMAR_GUI=OFF -DKELMAR_BENCH=OFF
	cmake --build $(TSANBUILD) -j $(JOBS) --target kelmar_audio_stress kelmar_audio_tests kelmar_journal_tests kelmar_export_tests kelmar_pack_tests
	TSAN_OPTIONS=halt_on_error=1 ctest --test-dir $(TSANBUILD) --output-on-failure -j $(JOBS) -L tsan

fuzz: deps
	CXX=clang++ cmake -S . -B $(FUZZBUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELMAR_FUZZ=ON -DKELMAR_GUI=OFF -DKELMAR_BENCH=OFF
	cmake --build $(FUZZBUILD) -j $(JOBS)
	@scripts/fuzz.sh $(FUZZBUILD) $(FUZZ_SECONDS)

screenshots: build
	@scripts/screenshots.sh $(BUILD)

install: build
	cmake --install $(BUILD)

# dist/kelmar_<version>_<arch>.deb, built apart from the tree; see scripts/make-deb.sh.
deb: deps
	@JOBS=$(JOBS) scripts/make-deb.sh

clean:
	rm -rf $(BUILD) $(SANBUILD) $(TSANBUILD) $(FUZZBUILD)
