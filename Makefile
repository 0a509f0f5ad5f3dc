# Two entry points for a fresh machine:
#   make play  - install what the build needs, build a Release binary and start the game
#   make test  - install what the tests need, build, run every test (plain and sanitized)
# Both install the missing Debian packages with the same script, tools/install_deps.sh.
#
#   make install    - install the Release build under $(PREFIX) (default /usr/local),
#                     below $(DESTDIR) when that is set
#   make uninstall  - remove what make install installed (same PREFIX and DESTDIR)
GEN      := -G Ninja
RELEASE  := build/release
DEBUG    := build/debug
ASAN     := build/asan
RELCHECK := build/release-tests
DEPS     := bash tools/install_deps.sh
PREFIX   ?= /usr/local
DESTDIR  ?=

.PHONY: play test build-deps test-deps release debug asan release-check install uninstall clean

play: release
	./$(RELEASE)/morvandeltrisk

build-deps:
	$(DEPS) build

test-deps:
	$(DEPS) test

release: build-deps
	cmake -S . -B $(RELEASE) $(GEN) -DCMAKE_BUILD_TYPE=Release -DMT_TESTS=OFF
	cmake --build $(RELEASE)

debug: test-deps
	cmake -S . -B $(DEBUG) $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMT_TESTS=ON -DMT_WERROR=ON
	cmake --build $(DEBUG)

asan: test-deps
	cmake -S . -B $(ASAN) $(GEN) -DCMAKE_BUILD_TYPE=Debug -DMT_TESTS=ON -DMT_SANITIZE=ON -DMT_WERROR=ON
	cmake --build $(ASAN)

# Everything, tests and benchmarks too, as Release, warnings as errors: the
# optimizer at -O3 warns where -O2 does not (GCC 12 once warned falsely there
# without a build to fail). Built, not run: the plain build runs the tests.
release-check: test-deps
	cmake -S . -B $(RELCHECK) $(GEN) -DCMAKE_BUILD_TYPE=Release -DMT_TESTS=ON -DMT_WERROR=ON
	cmake --build $(RELCHECK)

test: debug asan release-check
	cd $(DEBUG) && ctest --output-on-failure --timeout 600
	cd $(ASAN) && ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --output-on-failure --timeout 900

install: release
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE) --prefix "$(PREFIX)"

# The file list follows the install rules in CMakeLists.txt; the install test
# checks that nothing stays behind. The conditions file that the game keeps
# beside an installed binary (when it may write there) goes too.
uninstall:
	rm -f "$(DESTDIR)$(PREFIX)/bin/morvandeltrisk" \
	      "$(DESTDIR)$(PREFIX)/bin/BEDINGUN.DAT" "$(DESTDIR)$(PREFIX)/bin/"BEDINGUN.DAT.?????? \
	      "$(DESTDIR)$(PREFIX)/share/man/man6/morvandeltrisk.6" \
	      "$(DESTDIR)$(PREFIX)/share/doc/morvandeltrisk/README.md" \
	      "$(DESTDIR)$(PREFIX)/share/doc/morvandeltrisk/LICENSE"
	rmdir "$(DESTDIR)$(PREFIX)/share/doc/morvandeltrisk" 2>/dev/null || true

clean:
	rm -rf build
