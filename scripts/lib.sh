# Shared by the scripts in this folder: the packages Brevlin needs, the two
# builds, and a Wine prefix and display of our own. Source it; don't run it.

BREVLIN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages: compilers and build tools, Wine with its fonts, a virtual
# display with input and screenshot tools for the window tests, doctest, and
# the formatter.
BREVLIN_PACKAGES=(
  cmake ninja-build g++ g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 fonts-wine fonts-dejavu-core
  xvfb xdotool x11-utils imagemagick libxfixes3
  doctest-dev python3 clang-format
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

# Configures (once) and builds one preset: native or windows.
brevlin_build() {
  local preset=$1
  cd "$BREVLIN_ROOT" || return 1
  [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null || return 1
  cmake --build --preset "$preset" -- -j"$(nproc)"
}

# A Wine prefix for tests, inside the build tree, made on first use: Wine's
# own fonts in C:\windows\Fonts (or caption buttons draw as letters), and
# unmanaged windows, so no window manager is needed and Wine draws the frames.
brevlin_test_prefix() {
  export WINEPREFIX="$BREVLIN_ROOT/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  [ -f "$WINEPREFIX/.brevlin-ready" ] && return 0
  brevlin_say "making the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.brevlin-ready"
}

# A virtual display for window tests, unless one was given in BREVLIN_DISPLAY.
brevlin_display() {
  if [ -n "${BREVLIN_DISPLAY:-}" ]; then export DISPLAY=$BREVLIN_DISPLAY; return 0; fi
  local n=91
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  BREVLIN_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "Xvfb did not start on $DISPLAY" >&2
  return 1
}

brevlin_stop_display() {
  [ -n "${BREVLIN_XVFB_PID:-}" ] && kill "$BREVLIN_XVFB_PID" 2>/dev/null
  return 0
}
