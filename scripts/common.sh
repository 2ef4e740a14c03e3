# Sourced by the scripts (bash): package installs, the project's Wine
# environment, Unix-to-Windows paths, and whether this machine executes
# 32-bit x86 code itself.

# Installs the Debian packages among "$@" that are not installed yet.
# QUILLANOR_APT_OPTIONS may add options to apt-get install.
install_missing() {
  local p missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "setup: installing ${missing[*]}"
  for p in "${missing[@]}"; do
    # Debian's 32-bit Wine comes from the i386 architecture.
    if [ "${p##*:}" = i386 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      $sudo dpkg --add-architecture i386
      break
    fi
  done
  # A mirror mid-sync fails one index now and then: try again, and install
  # from the lists there are when it keeps failing.
  local try
  for try in 1 2 3; do
    $sudo apt-get update -q >/dev/null && break
    echo "setup: apt-get update failed (try $try of 3)"
    sleep 10
  done
  # shellcheck disable=SC2086  # the options are words
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q ${QUILLANOR_APT_OPTIONS:-} "${missing[@]}"
}

# The Windows path under which Wine's Z: drive shows a Unix path.
winpath() { echo "Z:$1" | tr '/' '\\'; }

# The Wine environment of every Wine command of the project, set here and
# nowhere else (scripts/wine-run, which CTest runs the Windows tests with,
# takes it from here too): the project's prefix, no debug chatter, no Mono
# or Gecko installer dialogs, no desktop menu entries; and with
# QUILLANOR_WINE_ASPI=yes the emulated WNASPI32.dll beside the program
# rather than Wine's built-in library of that name.
wine_environment() {
  export WINEPREFIX="${QUILLANOR_WINEPREFIX:-${WINEPREFIX:-$HOME/.quillanor-wine}}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  [ "${QUILLANOR_WINE_ASPI:-}" = yes ] && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;wnaspi32=n"
  export WINEDLLOVERRIDES
}

# Wine's virtual desktop, in which Wine draws the windows' frames itself
# (under Xvfb no window manager does): the UI driver's screenshots that
# people see are taken in one.
#   "${wine[@]}" "${wine_desktop[@]}" PROGRAM [ARG...]
wine_desktop=(explorer /desktop=quillanor,1024x768)

# Makes Wine report VERSION (win98, win95, nt40, ...; none: Wine's default)
# to the Windows program named PROGRAM, through the UI driver of the build
# BUILD (build/win32 or build/win64): the one way the project switches
# Windows 98 mode, as the window tests do it themselves.
#   wine_version BUILD PROGRAM [VERSION]
wine_version() {
  local loader=""
  case $1 in *64) loader=64 ;; esac
  QUILLANOR_WINE_LOADER=$loader "$(dirname "${BASH_SOURCE[0]}")/wine-run" "$1/tools/uidriver/uidriver.exe" \
    --wine-version "$2" ${3:+"$3"}
}

# Chooses the project's prefix for this machine (QUILLANOR_WINEPREFIX, unless
# set) and says which kind it is: succeeds where the machine runs 32-bit
# code (a prefix for both widths), fails where it does not (a prefix made by
# the 64-bit loader alone, kept apart from the other).
choose_prefix() {
  if runs_ia32; then
    export QUILLANOR_WINEPREFIX="${QUILLANOR_WINEPREFIX:-$HOME/.quillanor-wine}"
    return 0
  fi
  export QUILLANOR_WINEPREFIX="${QUILLANOR_WINEPREFIX:-$HOME/.quillanor-wine64}"
  return 1
}

# The 64-bit Wine loader alone: it needs no 32-bit execution.
wine64_loader() {
  if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64; else command -v wine64; fi
}

# Succeeds when the kernel executes 32-bit x86 programs itself. A probe of
# 96 bytes (an i386 ELF that sleeps half a second and exits 42) must run,
# and while it sleeps the process must be the probe, not an emulator that
# binfmt_misc put in its place (qemu-user would also run it, slowly).
# QUILLANOR_IA32=yes or no overrides the answer.
runs_ia32() {
  case "${QUILLANOR_IA32:-}" in
    yes) return 0 ;;
    no) return 1 ;;
  esac
  if dmesg 2>/dev/null | grep -qi "IA-32 emulation off"; then
    return 1
  fi
  local probe status exe
  probe=$(mktemp "${TMPDIR:-/tmp}/quillanor-ia32.XXXXXX") || return 1
  python3 - "$probe" <<'EOF' || { rm -f "$probe"; return 1; }
import struct, sys
base = 0x08048000
code_at = 52 + 32
timespec = base + code_at + 26
code = (b"\xb8\xa2\x00\x00\x00"                      # mov eax, 162 (nanosleep)
        + b"\xbb" + struct.pack("<I", timespec)    # mov ebx, timespec
        + b"\x31\xc9\xcd\x80"                      # xor ecx, ecx; int 80h
        + b"\xb8\x01\x00\x00\x00"                  # mov eax, 1 (exit)
        + b"\xbb\x2a\x00\x00\x00\xcd\x80"          # mov ebx, 42; int 80h
        + struct.pack("<II", 0, 500000000))        # half a second
ident = b"\x7fELF\x01\x01\x01" + b"\x00" * 9
header = ident + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + code_at, 52, 0, 0, 52, 32, 1, 0, 0, 0)
size = code_at + len(code)
program = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
with open(sys.argv[1], "wb") as f:
    f.write(header + program + code)
EOF
  chmod +x "$probe"
  "$probe" 2>/dev/null &
  local pid=$!
  sleep 0.2
  exe=$(readlink "/proc/$pid/exe" 2>/dev/null)
  wait "$pid" 2>/dev/null
  status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ] && [ "$exe" = "$probe" ]
}
