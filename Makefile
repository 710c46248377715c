# Short commands for a fresh Debian 12 machine; each installs what is missing first.
.PHONY: run test build clean

VIEW ?= explore
run:            ## build and show the demo folder's explore view, VIEW=plain the plain view (headless: a screenshot)
	VIEW=$(VIEW) tools/run.sh

test:           ## build and pass every test under a private Xvfb
	tools/test.sh

build:
	tools/install-deps.sh run
	cmake -S . -B build
	cmake --build build -j $$(nproc)

clean:
	rm -rf build build-*

.PHONY: bench package

bench:          ## every speed figure beside its reference (BENCH_ARGS=--quick for a fast check)
	tools/bench.sh $(BENCH_ARGS)

package:        ## Debian package in build/ (installs under /usr)
	tools/install-deps.sh package
	cmake -S . -B build -DCMAKE_INSTALL_PREFIX=/usr -DLUMENFOLD_BUILD_TESTS=OFF
	cmake --build build -j $$(nproc)
	cd build && cpack -G DEB

.PHONY: check
check:          ## the test suite only, without the sanitizer, fuzzing, memcheck and package gates
	LUMENFOLD_GATES=none tools/test.sh
