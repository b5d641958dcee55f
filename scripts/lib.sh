# Shared by the scripts in this folder: the packages Brevlin needs, the two
# builds, and a Wine prefix and display of our own. Source it; don't run it.

BREVLIN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages: compilers and build tools, Wine with its fonts, a virtual
# display with input and screenshot tools for the window tests, doctest, the
# formatter, and the Windows Installer compiler with the tools that read its
# packages.
BREVLIN_PACKAGES=(
  cmake ninja-build g++ g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 fonts-wine fonts-dejavu-core
  xvfb xdotool x11-utils imagemagick libxfixes3
  doctest-dev python3 clang-format
  wixl msitools
)

brevlin_say() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

# Installs whatever of the package list is missing.
brevlin_install() {
  local missing=() pkg
  for pkg in "${BREVLIN_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  brevlin_say "installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Configures and builds one preset, native or windows: every target, or
# the targets named after it. Configuring every time is quick, and takes up
# what changed in CMakePresets.json.
brevlin_build() {
  local preset=$1 target targets=()
  for target in "${@:2}"; do targets+=(--target "$target"); done
  cd "$BREVLIN_ROOT" || return 1
  cmake --preset "$preset" >/dev/null || return 1
  cmake --build --preset "$preset" "${targets[@]}" -- -j"$(nproc)"
}

# The value of a #define in resources/version.h, without its quotes.
brevlin_version_define() {
  sed -n "s/^#define $1[[:space:]]\{1,\}\"\{0,1\}\([^\"]*\)\"\{0,1\}[[:space:]]*$/\1/p" \
    "$BREVLIN_ROOT/resources/version.h"
}

# What a release says of itself, each fact read from the one file that holds
# it: the version record (resources/version.h), the window's caption
# (ui/layout.cpp) and the maker's site (ui/texts.cpp). Sets BREVLIN_VERSION
# (major.minor, as the release is named), BREVLIN_MSI_VERSION (the record's
# first three fields, all that Windows Installer compares), BREVLIN_PRODUCT,
# BREVLIN_COPYRIGHT, BREVLIN_PUBLISHER (the holder the copyright names),
# BREVLIN_CAPTION and BREVLIN_SITE.
brevlin_release_facts() {
  local major minor patch fact
  major=$(brevlin_version_define BREVLIN_VER_MAJOR)
  minor=$(brevlin_version_define BREVLIN_VER_MINOR)
  patch=$(brevlin_version_define BREVLIN_VER_PATCH)
  BREVLIN_PRODUCT=$(brevlin_version_define BREVLIN_PRODUCT_NAME)
  BREVLIN_COPYRIGHT=$(brevlin_version_define BREVLIN_COPYRIGHT)
  BREVLIN_PUBLISHER=$(sed -n 's/^Copyright (c) [0-9][-0-9, ]* \([^0-9].*\)$/\1/p' <<<"$BREVLIN_COPYRIGHT")
  BREVLIN_CAPTION=$(sed -n 's/.* kWindow{.*\.caption = "\([^"]*\)".*/\1/p' "$BREVLIN_ROOT/ui/layout.cpp")
  BREVLIN_SITE=$(sed -n 's/^const std::string_view kWebSite = "\([^"]*\)";$/\1/p' "$BREVLIN_ROOT/ui/texts.cpp")
  # Windows Installer's limits: 255.255.65535.
  if ! [[ $major =~ ^[0-9]{1,3}$ && $minor =~ ^[0-9]{1,3}$ && $patch =~ ^[0-9]{1,5}$ ]] ||
    [ "$major" -gt 255 ] || [ "$minor" -gt 255 ] || [ "$patch" -gt 65535 ]; then
    echo "no version Windows Installer can take in resources/version.h: $major.$minor.$patch" >&2
    return 1
  fi
  for fact in BREVLIN_PRODUCT BREVLIN_COPYRIGHT BREVLIN_PUBLISHER BREVLIN_CAPTION BREVLIN_SITE; do
    if [ -z "${!fact}" ] || [[ ${!fact} == *$'\n'* ]]; then
      echo "$fact: not found once where it is kept (resources/version.h, ui/)" >&2
      return 1
    fi
  done
  BREVLIN_VERSION=$major.$minor
  BREVLIN_MSI_VERSION=$major.$minor.$patch
}

# The files a release ships, exactly as shipped, into DIR: the two programs
# from the folder PROGRAMS, the Windows readme filled in and the license,
# both with Windows' line ends. Needs brevlin_release_facts.
brevlin_stage() {
  local programs=$1 dir=$2
  mkdir -p "$dir" && cp "$programs/brevlin.exe" "$programs/brevlinc.exe" "$dir/" || return 1
  python3 - "$BREVLIN_ROOT" "$dir" "$BREVLIN_VERSION" "$BREVLIN_COPYRIGHT" <<'PY'
import sys

root, folder, version, copyright = sys.argv[1:]

def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("ascii")

with open(f"{root}/docs/windows-readme.txt", encoding="ascii") as f:
    readme = f.read().replace("@VERSION@", version).replace("@COPYRIGHT@", copyright)
with open(f"{root}/LICENSE", encoding="ascii") as f:
    license_text = f.read()
for name, text in (("README.txt", readme), ("LICENSE", license_text)):
    with open(f"{folder}/{name}", "wb") as f:
        f.write(crlf(text))
PY
}

# The Windows Installer package (packaging/brevlin.wxs) of the files in DIR,
# as brevlin_stage writes them, to OUTPUT, which it replaces only when
# complete. VERSION (three fields) stands in for the version record's, for a
# package that must be older. Needs brevlin_release_facts.
brevlin_msi() {
  local dir=$1 output version=${3:-$BREVLIN_MSI_VERSION}
  local wxs="$BREVLIN_ROOT/packaging/brevlin.wxs" upgrade product work status=0
  [[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "not a package version: $version" >&2; return 1; }
  upgrade=$(sed -n 's/.* UpgradeCode="{\([-0-9A-F]\{36\}\)}".*/\1/p' "$wxs")
  # Each version its own product code, the same in every build of it.
  product=$(python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
    "$upgrade" "$version") || { echo "no upgrade code in $wxs" >&2; return 1; }
  output=$(realpath -m "$2") && work=$(mktemp -d) || return 1
  # Programs and Features shows the program's own icon: its images and
  # group, as brevlin.rc takes them, made one .ico file.
  python3 - "$BREVLIN_ROOT/resources" "$work/brevlin.ico" <<'PY' || status=1
import struct, sys

resources, out = sys.argv[1:]
with open(f"{resources}/brevlin.grp", "rb") as f:
    group = f.read()
count = struct.unpack_from("<H", group, 4)[0]
# An .ico file is the group with each image's offset in the file where the
# group has its resource id: 16 bytes an entry instead of 14.
entries, images = b"", b""
for i in range(count):
    entry = group[6 + 14 * i:20 + 14 * i]
    width, size = entry[0] or 256, struct.unpack_from("<I", entry, 8)[0]
    with open(f"{resources}/brevlin_{width}.bin", "rb") as f:
        image = f.read()
    if len(image) != size:
        sys.exit(f"brevlin_{width}.bin is not the {size} bytes brevlin.grp says")
    entries += entry[:12] + struct.pack("<I", 6 + 16 * count + len(images))
    images += image
with open(out, "wb") as f:
    f.write(group[:6] + entries + images)
PY
  # wixl finds files by paths relative to the folder it runs in, never by
  # absolute ones; it says "unimplemented" of a shortcut that is not
  # advertised, and writes it all the same.
  [ "$status" -ne 0 ] || ln -s "$(cd "$dir" && pwd)" "$work/files" || status=1
  [ "$status" -ne 0 ] || (cd "$work" && wixl -a x64 -o "$output.partial" \
    -D "ProductCode={$product}" -D "Version=$version" -D "ProductName=$BREVLIN_PRODUCT" \
    -D "Publisher=$BREVLIN_PUBLISHER" -D "Caption=$BREVLIN_CAPTION" -D "Site=$BREVLIN_SITE" \
    -D IconFile=brevlin.ico -D Files=files "$wxs") 2>"$work/wixl.log" || status=1
  grep -v 'builder.vala:[0-9]*: unimplemented$' "$work/wixl.log" >&2 || true
  rm -rf "$work"
  if [ "$status" -ne 0 ] || ! mv -f "$output.partial" "$output"; then
    rm -f "$output.partial"
    echo "no package made from $dir" >&2
    return 1
  fi
}

# A Wine prefix for tests, inside the build tree (or BREVLIN_WINEPREFIX),
# made on first use: Wine's own fonts in C:\windows\Fonts (or caption buttons
# draw as letters); unmanaged windows, so no window manager is needed and
# Wine draws the frames; 96 DPI; and a crash that ends the program at once,
# where winedbg would start and keep the program's output open.
brevlin_test_prefix() {
  export WINEPREFIX="${BREVLIN_WINEPREFIX:-$BREVLIN_ROOT/build/wineprefix}"
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local ready="$WINEPREFIX/.brevlin-ready" version=3
  [ "$(cat "$ready" 2>/dev/null)" = "$version" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Two CTest runs may start at once; one makes the prefix, the other waits.
  (
    flock 9
    [ "$(cat "$ready" 2>/dev/null)" = "$version" ] && exit 0
    brevlin_say "making the Wine prefix $WINEPREFIX"
    # Whatever runs in a prefix that is not made yet has no business there,
    # and a server kept up would make the waits below endless.
    wineserver -k 2>/dev/null
    wineboot -i >/dev/null 2>&1
    wineserver -w
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /t REG_SZ /d 'cmd.exe /c exit' /f >/dev/null 2>&1
    wineserver -w
    echo "$version" >"$ready"
  ) 9>"$WINEPREFIX.lock"
  [ "$(cat "$ready" 2>/dev/null)" = "$version" ] ||
    { echo "the Wine prefix $WINEPREFIX was not made" >&2; return 1; }
}

# Starts a Wine server for the prefix that stays up between programs, and
# Wine's own background programs with it, their output going nowhere. Left
# to the first test, they would hold that test's output open, and CTest
# would wait for them to end.
brevlin_start_wine() {
  brevlin_test_prefix || return 1
  wineserver -k 2>/dev/null
  wineserver -w
  local log="$WINEPREFIX.log"
  if ! wineserver -p </dev/null >"$log" 2>&1 || ! wine cmd.exe /c exit </dev/null >>"$log" 2>&1; then
    echo "Wine did not start in $WINEPREFIX:" >&2
    cat "$log" >&2
    return 1
  fi
}

# Ends every program of the prefix, and its server.
brevlin_stop_wine() {
  brevlin_test_prefix || return 1
  wineserver -k 2>/dev/null
  wineserver -w
  return 0
}

# A virtual display of our own, unless one was given in BREVLIN_DISPLAY. Xvfb
# takes the first free display number itself (-displayfd), so it cannot race
# another X server for one. Its display goes in DIR/display (DIR defaults to
# a new temporary folder), and into DISPLAY.
brevlin_display() {
  if [ -n "${BREVLIN_DISPLAY:-}" ]; then
    export DISPLAY=$BREVLIN_DISPLAY
    [ -z "${1:-}" ] || { mkdir -p "$1" && echo "$DISPLAY" >"$1/display"; }
    return 0
  fi
  BREVLIN_XVFB_DIR=${1:-}
  BREVLIN_XVFB_TEMPORARY=
  if [ -z "$BREVLIN_XVFB_DIR" ]; then
    BREVLIN_XVFB_DIR=$(mktemp -d) BREVLIN_XVFB_TEMPORARY=1
  fi
  mkdir -p "$BREVLIN_XVFB_DIR"
  local dir=$BREVLIN_XVFB_DIR
  rm -f "$dir/display" "$dir/number" "$dir/pid"
  # Its own session, so that it outlives the command that started it. A
  # background job leads no process group, so setsid need not fork: $! is
  # Xvfb's own process id.
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$dir/number" </dev/null >"$dir/xvfb.log" 2>&1 &
  local pid=$! i number=
  # Xvfb writes the number once it takes connections.
  for i in $(seq 100); do
    number=$(tr -dc 0-9 <"$dir/number")
    [ -n "$number" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$number" ]; then
    echo "Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    kill "$pid" 2>/dev/null
    return 1
  fi
  echo "$pid" >"$dir/pid"
  echo ":$number" >"$dir/display"
  export DISPLAY=":$number"
}

# Stops the Xvfb that brevlin_display started, in DIR or the last one.
brevlin_stop_display() {
  local dir=${1:-${BREVLIN_XVFB_DIR:-}}
  [ -n "$dir" ] || return 0
  rm -f "$dir/display"
  [ -f "$dir/pid" ] || return 0
  kill "$(cat "$dir/pid")" 2>/dev/null
  rm -f "$dir/number" "$dir/pid"
  [ -n "${BREVLIN_XVFB_TEMPORARY:-}" ] && [ "$dir" = "${BREVLIN_XVFB_DIR:-}" ] && rm -rf "$dir"
  return 0
}
