#!/usr/bin/env bash
# Installs the Debian packages Lumenfold needs, and only those that are missing.
#   tools/install-deps.sh run    build and run the viewer (headless: under Xvfb)
#   tools/install-deps.sh test   also the test suite, sanitizers, fuzzers and benchmarks
#   tools/install-deps.sh package  also what the Debian package needs to be made
set -euo pipefail

purpose=${1:-run}

packages=(
    cmake make g++ pkg-config
    libsdl1.2-dev                         # window, GL context, events, time
    libgl1-mesa-dev libglu1-mesa-dev      # OpenGL 1.x and GLU headers
    libgl1-mesa-dri                       # software GL (llvmpipe) when there is no GPU
    libx11-dev libxtst-dev                # screenshots and synthetic keys for the headless run; the display's density
    libpng-dev                            # saving the screenshots and the explore view's pictures (F12)
    libfreetype-dev libfontconfig-dev     # rasterising text, finding fonts
    rapidjson-dev zlib1g-dev libzstd-dev  # reading and writing scan exports, gzip and zstd
    fonts-dejavu-core                     # the default sans-serif font
    xvfb xauth                            # a virtual display for headless machines
    shared-mime-info                      # file types by name in the explore view
)
if [ "$purpose" = test ] || [ "$purpose" = all ]; then
    packages+=(
        libgtest-dev                      # unit, GL and end-to-end tests
        libbenchmark-dev                  # benchmarks
        clang libclang-rt-14-dev          # libFuzzer and the sanitizer runtimes
        valgrind                          # memcheck run of the real binary
        libsdl1.2-compat                  # the suite again on SDL 1.2 built on SDL 2
        clang-format                      # the formatting check
        tesseract-ocr tesseract-ocr-eng   # reading the names on screen back in a test
        ncdu gdu                          # the export test: their exports read, ours read by them
        python3-gi gir1.2-glib-2.0        # the desktop's own type lookup, the types test's reference
    )
fi
if [ "$purpose" = package ] || [ "$purpose" = test ] || [ "$purpose" = all ]; then
    packages+=(dpkg-dev file)             # Debian package (dpkg-shlibdeps)
    packages+=(man-db)                    # package test: finds the man page
fi
if [ "$purpose" = bench ] || [ "$purpose" = all ]; then
    packages+=(libbenchmark-dev libgtest-dev findutils bfs) # benchmarks, their generator tests, find and bfs as references
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
