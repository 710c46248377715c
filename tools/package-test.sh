#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, starts the installed
# /usr/bin/lumenfold from an unrelated working directory under a private Xvfb,
# checks that its window shows the demo row and that Escape ends it with
# status 0, and removes the package again. Needs root (or sudo): it installs.
#   tools/package-test.sh            build folder build-pkg (LUMENFOLD_PACKAGE_BUILD)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

fail() {
    echo "package test: FAILED: $*" >&2
    exit 1
}

tools/install-deps.sh package

# --- Build the package -------------------------------------------------------
build=${LUMENFOLD_PACKAGE_BUILD:-build-pkg}
# The repository's own folders, so the installed binary gets the installed copies.
cmake -S . -B "$build" -DCMAKE_INSTALL_PREFIX=/usr -DLUMENFOLD_BUILD_TESTS=OFF \
    "-DLUMENFOLD_SCENE_ROOT:STRING=$root/demo/FS/" "-DLUMENFOLD_SYMBOL_DIR:STRING=$root/symbols/standard/" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/lumenfold_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$root/$build"/lumenfold_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single lumenfold_*.deb in $build"
deb=${debs[0]}
echo "package test: built $(basename "$deb")"

# --- What the package declares and holds -------------------------------------
depends=$(dpkg-deb -f "$deb" Depends)
echo "package test: Depends: $depends"
# Either SDL 1.2 serves: the classic library or sdl12-compat's drop-in replacement.
grep -Eq '(^|, )libsdl1\.2debian( \([^)]*\))? \| libsdl1\.2-compat-shim(,|$)' <<<"$depends" ||
    fail "the package does not depend on libsdl1.2debian | libsdl1.2-compat-shim"
if grep -Eq -- '-dev\b|cmake|g\+\+' <<<"$depends"; then
    fail "the package depends on build tools or headers"
fi
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/lumenfold \
    ./usr/share/lumenfold/symbols/standard/folder.ASE \
    ./usr/share/lumenfold/symbols/standard/file.ASE \
    ./usr/share/lumenfold/demo/FS/ \
    ./usr/share/applications/lumenfold.desktop \
    ./usr/share/icons/hicolor/scalable/apps/lumenfold.svg \
    ./usr/share/man/man1/lumenfold.1.gz \
    ./usr/share/doc/lumenfold/copyright; do
    grep -qxF -- "$path" <<<"$contents" || fail "the package lacks $path"
done

# --- Install ------------------------------------------------------------------
if dpkg-query -W -f='${Status}' lumenfold 2>/dev/null | grep -q "install ok installed"; then
    echo "package test: lumenfold was installed already; it is replaced and removed at the end"
fi

workdir=$(mktemp -d /tmp/lumenfold-package-test.XXXXXX)
viewer_pid=
installed=0
cleanup() {
    if [ -n "$viewer_pid" ] && kill -0 "$viewer_pid" 2>/dev/null; then
        kill "$viewer_pid" 2>/dev/null || true
        wait "$viewer_pid" 2>/dev/null || true
    fi
    stop_xvfb 2>/dev/null || true
    if [ "$installed" -eq 1 ]; then
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq lumenfold >/dev/null 2>&1 ||
            "${sudo[@]}" dpkg -r lumenfold >/dev/null 2>&1 || true
    fi
    rm -rf "$workdir"
}
trap cleanup EXIT

installed=1
if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null; then
    "${sudo[@]}" dpkg -i "$deb" >/dev/null || fail "the package does not install"
fi
[ -x /usr/bin/lumenfold ] || fail "/usr/bin/lumenfold is not there after installing"
echo "package test: installed"

# The demo arrives with exactly its entries, hidden ones included, and their modes.
listing() {
    (cd "$1" && find . -mindepth 1 \( -type f -printf '%P file %s %m\n' \) -o \( ! -type f -printf '%P %y %m\n' \) | LC_ALL=C sort)
}
if ! diff <(listing "$root/demo/FS") <(listing /usr/share/lumenfold/demo/FS) >"$workdir/demo.diff"; then
    cat "$workdir/demo.diff" >&2
    fail "the installed demo differs from demo/FS"
fi

man_page=$(man -w lumenfold 2>/dev/null) || fail "man lumenfold finds no page"
MANPAGER=cat MANWIDTH=100 man lumenfold 2>/dev/null | grep -q "Could not open symbol model" ||
    fail "the man page ($man_page) does not render"

# --- Run the installed viewer -------------------------------------------------
# The root's entries in listing order, as the viewer places them: F for a folder.
kinds=$(cd /usr/share/lumenfold/demo/FS && find . -mindepth 1 -maxdepth 1 -printf '%y\n' |
    awk '{ printf "%s", ($1 == "d" ? "F" : "f") }')

source tools/xvfb.sh
start_xvfb
shot=$workdir/window.png
(cd "$workdir" && exec /usr/bin/lumenfold) >"$workdir/out.log" 2>&1 &
viewer_pid=$!
# Every slot of the start view must show its symbol (yellow folders, white and
# blue files) and the slot after the last one must be empty; then Escape.
if ! "$build/lumenfold-shot" --title Lumenfold --timeout 20 --delay 2 --out "$shot" --slots "$kinds" --key Escape; then
    cat "$workdir/out.log" >&2
    fail "no window titled Lumenfold, or it does not show the demo row"
fi
echo "package test: the window shows the ${#kinds} entries of the demo row ($kinds)"

status=
for _ in $(seq 100); do
    if ! kill -0 "$viewer_pid" 2>/dev/null; then
        status=0
        wait "$viewer_pid" || status=$?
        break
    fi
    sleep 0.1
done
viewer_pid_left=$viewer_pid
viewer_pid=
if [ -z "$status" ]; then
    kill "$viewer_pid_left" 2>/dev/null || true
    fail "Escape did not end the viewer within 10 seconds"
fi
[ "$status" -eq 0 ] || { cat "$workdir/out.log" >&2; fail "the viewer ended with status $status, not 0"; }
grep -qxF "Loading /usr/share/lumenfold/symbols/standard/folder.ASE" "$workdir/out.log" ||
    { cat "$workdir/out.log" >&2; fail "the viewer did not load the installed symbols"; }

echo "package test: passed (Escape ended the installed viewer with status 0)"
