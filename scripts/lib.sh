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
