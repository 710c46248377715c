# Short commands for a fresh Debian 12 machine; each installs what is missing first.
.PHONY: run test build clean

run:            ## build and show the demo folder (headless: a screenshot)
	tools/run.sh

test:           ## build and pass every test under a private Xvfb
	tools/test.sh

build:
	tools/install-deps.sh run
	cmake -S . -B build
	cmake --build build -j $$(nproc)

clean:
	rm -rf build build-*
