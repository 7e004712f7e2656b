# Shared by the scripts: build folders, configuration, the Wine prefix and a
# virtual display. Source it; it defines functions and sets no traps.

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_root="$root/build"
jobs="${LUMORA_JOBS:-$(nproc)}"
export WINEPREFIX="$build_root/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# A compiler cache, when the machine has one, speeds a second build of the
# same sources; paths below the tree are hashed relative to it, so clones
# and work trees share their entries.
compiler_launcher=()
if command -v ccache >/dev/null 2>&1 && [ "${LUMORA_CCACHE:-1}" != "0" ]; then
  export CCACHE_BASEDIR="$root"
  export CCACHE_NOHASHDIR=1
  export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-20G}"
  compiler_launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

configure_native() {  # folder, sanitizer, build type, extra args...
  local dir="$1" san="$2" type="$3"
  shift 3
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DLUMORA_SANITIZE="$san" \
    "${compiler_launcher[@]}" "$@" >/dev/null
}

configure_windows() {  # [folder], default build/windows
  cmake -S "$root" -B "${1:-$build_root/windows}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLUMORA_WIN_DEPS="${LUMORA_WIN_DEPS:-/opt/lumora/win-deps}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/scripts/mingw-toolchain.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run" "${compiler_launcher[@]}" >/dev/null
}

# Creates the Wine prefix once inside the build folder: no crash dialog, no
# two-second wait per window close, and Wine's fonts where Wine looks. Wine
# ignores the system's font aliases: Arial, Times New Roman and Courier New
# are replaced by their metric twins from fonts-liberation2. The marker's
# number changes whenever the prefix's contents do, so older prefixes are
# made again.
wine_prefix_marker=".lumora-ready-2"
ensure_wine_prefix() {
  if [ -f "$WINEPREFIX/$wine_prefix_marker" ]; then return 0; fi
  echo "wine: creating the prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
  cat > "$build_root/lumora-wine.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"
REG
  wine regedit /S "$build_root/lumora-wine.reg" </dev/null >/dev/null 2>&1
  wineserver -w
  if [ -d /usr/share/wine/fonts ]; then
    cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  if [ -d /usr/share/fonts/truetype/liberation2 ]; then
    cp -n /usr/share/fonts/truetype/liberation2/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  touch "$WINEPREFIX/$wine_prefix_marker"
}

xvfb_pid=""
# Starts Xvfb on a free display when there is none.
ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local fifo
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
  echo "xvfb: started on $DISPLAY"
}

stop_display() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}

# Starts wineserver and a first Wine process detached, so ctest does not
# wait on pipes that Wine's daemons inherit; then keeps one hidden window
# alive so the desktop stays up between GUI tests.
wine_keepalive_pid=""
start_wine() {
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  local keepalive="$build_root/windows/bin/wine_keepalive.exe"
  if [ -n "${DISPLAY:-}" ] && [ -f "$keepalive" ]; then
    (exec wine "$keepalive" </dev/null >/dev/null 2>&1) &
    wine_keepalive_pid=$!
  fi
}

stop_wine() {
  if [ -n "$wine_keepalive_pid" ]; then
    kill "$wine_keepalive_pid" 2>/dev/null || true
    wine_keepalive_pid=""
  fi
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
}

# The print spooler: CUPS started when none runs, with cups-pdf's printer
# "PDF" (the default destination when the spooler has none). Wine lists the
# spooler's printers when a program of the prefix first loads its printing
# library, so this comes before Wine starts. The PDF printer writes each job
# to ~/PDF of the user who printed. The spooler is a service: it is left
# running. spooler_started says whether this call started it.
spooler_started=0
spooler_running() { lpstat -r 2>/dev/null | grep -qx "scheduler is running"; }
ensure_spooler() {
  spooler_started=0
  if ! command -v cupsd >/dev/null 2>&1 || ! command -v lpadmin >/dev/null 2>&1; then
    echo "spooler: CUPS is not installed (scripts/setup installs cups and printer-driver-cups-pdf)" >&2
    return 1
  fi
  local sudo=""
  if [ "$(id -u)" != "0" ]; then sudo="sudo -n"; fi
  if ! spooler_running; then
    $sudo mkdir -p /run/cups
    # Daemon mode: cupsd leaves this shell; no descriptor of ours stays open
    # in it.
    $sudo cupsd </dev/null >/dev/null 2>&1 || true
    for _ in $(seq 1 100); do
      if spooler_running; then break; fi
      sleep 0.1
    done
    if ! spooler_running; then
      echo "spooler: CUPS could not be started" >&2
      return 1
    fi
    spooler_started=1
    echo "spooler: CUPS started"
  fi
  if ! lpstat -v PDF >/dev/null 2>&1; then
    $sudo lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null || {
      echo "spooler: the PDF printer could not be added (printer-driver-cups-pdf)" >&2
      return 1
    }
    if ! lpstat -d 2>/dev/null | grep -q "system default destination:"; then $sudo lpadmin -d PDF 2>/dev/null || true; fi
    echo "spooler: printer PDF added; its files go to ~/PDF"
  fi
}
