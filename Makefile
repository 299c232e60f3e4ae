# The two commands a fresh Debian 12 machine needs: `make run` and `make test`.
# Each installs what is missing first.

BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= 2
CMAKE_FLAGS ?=
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 300
FUZZ_ROUND ?= 10
PACKAGE_BUILD ?= build-package
WIN64_BUILD ?= build-win64
WIN32_BUILD ?= build-win32

.PHONY: all deps deps-build deps-run deps-test configure build run test sanitize bench \
    install package format clean

all: build

# What each kind of work installs: building (and installing or packaging) needs
# the compiler and Qt; running adds the Wayland platform, the fonts and the
# viewer request; the tests add their tools.
deps-build:
	@bash scripts/install-deps build
deps-run:
	@bash scripts/install-deps run
deps-test deps:
	@bash scripts/install-deps test

configure: deps-build
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# A display first: without one there is nothing to install or build for.
run:
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "make run: no display to show the dialog on (DISPLAY and WAYLAND_DISPLAY are unset);" \
	        "run it in a desktop session, or on a virtual display: xvfb-run make run" >&2; \
	    exit 1; fi
	@$(MAKE) --no-print-directory deps-run build
	@$(BUILD)/app/ZazivadeZaz32

test: deps-test build
	@cd $(BUILD) && ctest --output-on-failure --no-tests=error -j$(JOBS)

# The tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer,
# but for the real-window tests (label `window`), which would test the display
# servers' timing rather than our memory. Any report fails the test;
# LeakSanitizer's suppressions may name third-party frames only (Qt,
# fontconfig), never ours.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1 \
    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/dialog/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
sanitize: deps-test
	@cmake -S . -B $(ASAN_BUILD) -DTAVRO_SANITIZE=ON -DTAVRO_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	@cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure --no-tests=error -j$(JOBS) -LE window

bench: deps-run build
	@$(BUILD)/bench/tavro_bench

install: build
	@cmake --install $(BUILD)

# The .deb, from a build of its own: Debian's compiler and linker flags with
# all hardening, no tests and no benchmarks, so nothing beyond the build group.
package: export DEB_BUILD_MAINT_OPTIONS = hardening=+all
PACKAGE_FLAGS = -DCMAKE_BUILD_TYPE=None -DTAVRO_TESTS=OFF -DTAVRO_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
package: deps-build
	@cmake -S . -B $(PACKAGE_BUILD) $(PACKAGE_FLAGS) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(PACKAGE_BUILD) -j$(JOBS)
	@cd $(PACKAGE_BUILD) && cpack -G DEB

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(PACKAGE_BUILD)

.PHONY: lint fuzz

# clang-tidy (.clang-tidy) and cppcheck over search/, dialog/ and app/, with the
# compile commands of $(BUILD); fails on any finding.
lint: deps-test build
	@JOBS=$(JOBS) bash scripts/lint $(BUILD)

# The bound parser's fuzz target (libFuzzer, clang 14), in rounds of
# FUZZ_ROUND seconds for as long as a round still reaches code no input reached
# before (libFuzzer's edge coverage, "cov"), at most FUZZ_SECONDS in all. New
# inputs that only hit known edges more often keep coming for minutes on a
# parser this small and are not waited for. What it learns goes to
# $(FUZZ_BUILD)/corpus; the checked-in seeds stay as they are (make test
# replays them). A finding fails the target and leaves its input in
# $(FUZZ_BUILD)/.
fuzz: deps-test
	@cmake -S tests/fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++-14 \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS)
	@mkdir -p $(FUZZ_BUILD)/corpus
	@spent=0; round=0; while :; do \
	    round=$$((round + 1)); \
	    $(FUZZ_BUILD)/tavro_bound_fuzz -max_total_time=$(FUZZ_ROUND) -max_len=4096 \
	        -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus tests/fuzz/corpus \
	        >$(FUZZ_BUILD)/fuzz.log 2>&1 || \
	        { tail -n 30 $(FUZZ_BUILD)/fuzz.log; echo "fuzz: finding, see $(FUZZ_BUILD)/" >&2; exit 1; }; \
	    runs=$$(sed -n 's/^stat::number_of_executed_units: *//p' $(FUZZ_BUILD)/fuzz.log); \
	    found=$$(sed -n 's/^stat::new_units_added: *//p' $(FUZZ_BUILD)/fuzz.log); \
	    before=$$(sed -n 's/.*INITED cov: \([0-9]*\).*/\1/p' $(FUZZ_BUILD)/fuzz.log); \
	    after=$$(sed -n 's/.*DONE *cov: \([0-9]*\).*/\1/p' $(FUZZ_BUILD)/fuzz.log); \
	    spent=$$((spent + $(FUZZ_ROUND))); \
	    echo "fuzz: round $$round, $$runs inputs, $$found new, edges $$before -> $$after"; \
	    if [ "$$after" = "$$before" ] || [ $$spent -ge $(FUZZ_SECONDS) ]; then break; fi; \
	done

.PHONY: deps-windows windows windows-test

# Windows, cross-compiled with MinGW-w64 (cmake/toolchain-*.cmake): both
# ZazivadeZaz32.exe (x86-64 and i686, statically linked), each architecture's
# portable zip and installer. The 64-bit build is also the one the tests run
# in; the 32-bit one is only compiled and linked, since these machines run no
# 32-bit programs.
deps-windows:
	@bash scripts/install-deps windows

windows: deps-windows
	@cmake -S . -B $(WIN64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
	    $(CMAKE_FLAGS) >/dev/null
	@cmake -S . -B $(WIN32_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
	    -DTAVRO_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(WIN64_BUILD) -j$(JOBS) --target ZazivadeZaz32
	@cmake --build $(WIN32_BUILD) -j$(JOBS) --target ZazivadeZaz32
	@cd $(WIN64_BUILD) && cpack >/dev/null && ls -1 $(CURDIR)/$(WIN64_BUILD)/ZazivadeZaz32-*.*
	@cd $(WIN32_BUILD) && cpack >/dev/null && ls -1 $(CURDIR)/$(WIN32_BUILD)/ZazivadeZaz32-*.*

# clang-tidy on the Windows-only sources (scripts/lint-windows), then the
# 64-bit build's tests under Wine (scripts/windows-test); its lists are
# compared with those of the Linux build in $(BUILD).
windows-test: windows configure
	@cmake --build $(WIN64_BUILD) -j$(JOBS)
	@JOBS=$(JOBS) bash scripts/lint-windows $(WIN64_BUILD)
	@cmake --build $(BUILD) -j$(JOBS) --target tavro_write_list
	@bash scripts/windows-test $(WIN64_BUILD) $(BUILD)/tests/support/tavro_write_list -j$(JOBS)
