# The two everyday commands are `make demo` and `make test`; both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps configure build test soak demo bench package format lint fuzz fuzz-build docs clean

deps:
	@bash scripts/deps

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

# The long fault sweeps: a small image's load and commit cut at every byte offset, 10,000
# exchanges with faults mixed in, then every fuzz target for FUZZ_SOAK_SECONDS each.
FUZZ_SOAK_SECONDS ?= 600
soak: build fuzz-build
	@cd $(BUILD) && KRELVAN_SOAK=1 ctest --output-on-failure -j $(JOBS) --timeout 3600 \
	  -R '^Transfer/LinkCut|^LinkSoak\.'
	@bash scripts/soak-fuzz build-fuzz $(FUZZ_SOAK_SECONDS) $(FUZZ_TARGETS)

demo: configure
	@cmake --build $(BUILD) -j $(JOBS) --target demo_programs
	@bash scripts/demo $(BUILD)

# The Debian package, in $(BUILD): krelvan_<version>_<arch>.deb.
package: build
	@cd $(BUILD) && cpack -G DEB >/dev/null && ls -1 $(CURDIR)/$(BUILD)/krelvan_*.deb

bench: build
	@bash scripts/bench $(BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

lint: configure
	@git ls-files 'src/*.cpp' 'sim/*.cpp' | xargs clang-tidy -p $(BUILD) --quiet --extra-arg=-Wno-unknown-warning-option

# Every fuzz target as <target>:<its corpus folder under fuzz/corpus>; configuring checks that
# fuzz/CMakeLists.txt defines exactly these. The normal build replays each one's seeds as a test.
FUZZ_TARGETS = fuzz_wire_decoder:wire fuzz_secure_decoder:secure fuzz_port_decoder:port \
  fuzz_image_reader:image fuzz_site_reader:site fuzz_http_head:http \
  fuzz_sectioned_file:sectioned fuzz_network_file:network fuzz_job_file:job \
  fuzz_settings_file:settings fuzz_model_file:model fuzz_programs_file:programs \
  fuzz_plan_file:plan fuzz_block_decoder:block

fuzz-build: deps
	@cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DKRELVAN_FUZZ=ON \
	  -DKRELVAN_GUI=OFF -DKRELVAN_TESTS=OFF -DKRELVAN_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target $(foreach t,$(FUZZ_TARGETS),$(firstword $(subst :, ,$(t))))

# Every fuzz target for FUZZ_SECONDS each.
FUZZ_SECONDS ?= 60
fuzz: fuzz-build
	@mkdir -p build-fuzz/corpus/wire build-fuzz/corpus/secure build-fuzz/corpus/port \
	  build-fuzz/corpus/image build-fuzz/corpus/site build-fuzz/corpus/http
	@./build-fuzz/fuzz/fuzz_wire_decoder -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus/wire fuzz/corpus/wire
	@./build-fuzz/fuzz/fuzz_secure_decoder -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus/secure fuzz/corpus/secure
	@./build-fuzz/fuzz/fuzz_port_decoder -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus/port fuzz/corpus/port
	@./build-fuzz/fuzz/fuzz_image_reader -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus/image fuzz/corpus/image
	@./build-fuzz/fuzz/fuzz_site_reader -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus/site fuzz/corpus/site
	@./build-fuzz/fuzz/fuzz_http_head -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus/http fuzz/corpus/http
	@bash scripts/soak-fuzz build-fuzz $(FUZZ_SECONDS) $(filter-out %:wire %:secure %:port %:image %:site %:http,$(FUZZ_TARGETS))

# docs/architecture.svg: the libraries and programs and what each links, drawn from the build.
docs: deps
	@mkdir -p build-docs
	@cp cmake/GraphVizOptions.cmake build-docs/CMakeGraphVizOptions.cmake
	@cmake -S . -B build-docs -G Ninja -DKRELVAN_TESTS=OFF -DKRELVAN_BENCH=OFF \
	  --graphviz=build-docs/graph/krelvan.dot >/dev/null
	@dot -Tsvg -Grankdir=BT -Gfontname=sans -Nfontname=sans build-docs/graph/krelvan.dot \
	  -o docs/architecture.svg
	@echo docs/architecture.svg

clean:
	@rm -rf $(BUILD) build-fuzz build-docs
