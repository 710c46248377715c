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
case "$depends" in
    *libsdl1.2debian*) ;;
    *) fail "the package does not depend on the SDL runtime" ;;
esac
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
    ./usr/share/man/man1/lumenfold.1.gz; do
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
source tools/xvfb.sh
start_xvfb
shot=$workdir/window.png
(cd "$workdir" && exec /usr/bin/lumenfold) >"$workdir/out.log" 2>&1 &
viewer_pid=$!
if ! "$build/lumenfold-shot" --title Lumenfold --timeout 20 --delay 2 --out "$shot" --key Escape; then
    cat "$workdir/out.log" >&2
    fail "no window titled Lumenfold, or it could not be grabbed"
fi

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

# The root's entries in listing order, as the viewer places them: F for a folder.
kinds=$(cd /usr/share/lumenfold/demo/FS && find . -mindepth 1 -maxdepth 1 -printf '%y\n' |
    awk '{ printf "%s", ($1 == "d" ? "F" : "f") }')

# With the start view of an 800 x 600 window, slot i stands centred at
# x = 400 + 23.3 i, just above the x axis at y = 317. Every slot must show its
# symbol (yellow folders, white and blue files) and the slot after the last one
# must be empty.
python3 - "$shot" "$kinds" <<'PY' || fail "the window does not show the demo row"
import struct, sys, zlib

path, kinds = sys.argv[1], sys.argv[2]
data = open(path, "rb").read()
if data[:8] != b"\x89PNG\r\n\x1a\n":
    sys.exit("not a PNG")
pos, idat = 8, b""
while pos < len(data):
    (length,) = struct.unpack(">I", data[pos:pos + 4])
    kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
    pos += 12 + length
    if kind == b"IHDR":
        width, height, depth, colour = struct.unpack(">IIBB", body[:10])
    elif kind == b"IDAT":
        idat += body
if (depth, colour) != (8, 2):
    sys.exit("expected 8-bit RGB, got depth %d colour type %d" % (depth, colour))
if (width, height) != (800, 600):
    sys.exit("the window is %dx%d, not 800x600" % (width, height))

raw, stride = zlib.decompress(idat), width * 3
rows, previous = [], bytearray(stride)
for y in range(height):
    start = y * (stride + 1)
    kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
    for i in range(stride):
        a = line[i - 3] if i >= 3 else 0
        b = previous[i]
        c = previous[i - 3] if i >= 3 else 0
        if kind == 1: line[i] = (line[i] + a) & 255
        elif kind == 2: line[i] = (line[i] + b) & 255
        elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif kind == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    rows.append(line)
    previous = line

def slot(i):
    centre = round(400 + 23.3 * i)
    lit = []
    for y in range(302, 316):
        for x in range(centre - 5, centre + 6):
            if 397 <= x <= 401:
                continue  # the vertical axes
            r, g, b = rows[y][3 * x:3 * x + 3]
            if r + g + b > 60:
                lit.append((r, g, b))
    return lit

problems = []
for i, kind in enumerate(kinds):
    lit = slot(i)
    if len(lit) < 30:
        problems.append("slot %d is empty" % i)
        continue
    red = sum(p[0] for p in lit) / len(lit)
    blue = sum(p[2] for p in lit) / len(lit)
    looks = "F" if red - blue > 60 else "f"
    if looks != kind:
        problems.append("slot %d shows a %s symbol" % (i, "folder" if looks == "F" else "file"))
if len(slot(len(kinds))) >= 10:
    problems.append("something stands after the last slot %d" % (len(kinds) - 1))
if problems:
    sys.exit("; ".join(problems))
print("package test: the window shows the %d entries of the demo row (%s)" % (len(kinds), kinds))
PY

echo "package test: passed (Escape ended the installed viewer with status 0)"
