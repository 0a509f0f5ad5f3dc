# Two entry points for a fresh machine:
#   make play  - build a Release binary and start the game in this terminal
#   make test  - install what the tests need, build, run every test (plain and sanitized)
GEN      := -G Ninja
RELEASE  := build/release
DEBUG    := build/debug
ASAN     := build/asan

.PHONY: play test deps release debug asan clean

play: release
	./$(RELEASE)/morvandeltrisk

release:
	cmake -S . -B $(RELEASE) $(GEN) -DCMAKE_BUILD_TYPE=Release -DMT_TESTS=OFF
	cmake --build $(RELEASE)

deps:
	bash tests/support/install_test_deps.sh

debug: deps
	cmake -S . -B $(DEBUG) $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMT_TESTS=ON
	cmake --build $(DEBUG)

asan: deps
	cmake -S . -B $(ASAN) $(GEN) -DCMAKE_BUILD_TYPE=Debug -DMT_TESTS=ON -DMT_SANITIZE=ON
	cmake --build $(ASAN)

test: debug asan
	cd $(DEBUG) && ctest --output-on-failure --timeout 600
	cd $(ASAN) && ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --output-on-failure --timeout 900

clean:
	rm -rf build
