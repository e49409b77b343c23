# shellcheck shell=bash
# Shell functions for private Wine machines: environment, template prefix, copies, drives, server.
# Source it; every function takes the prefix folder as its first argument.

# Debian's wine and wineboot start every program through Wine's 32-bit loader first, and a kernel without IA-32
# emulation cannot run it at all ("Exec format error"). PURGEWELL_WINE_LOADER says which loader starts programs:
# 32 (Debian's commands as they are) or 64 (the 64-bit loader itself, through the commands of wine64-loader/ put
# first on PATH, for 64-bit programs in 64-bit prefixes). Unset, it is asked of the machine once and exported.
if [ -z "${PURGEWELL_WINE_LOADER:-}" ]; then
  PURGEWELL_WINE_LOADER=64
  /usr/lib/wine/wine --version >/dev/null 2>&1 && PURGEWELL_WINE_LOADER=32
  export PURGEWELL_WINE_LOADER
fi
if [ "$PURGEWELL_WINE_LOADER" = 64 ]; then
  wine_loader_commands=$(cd "$(dirname "${BASH_SOURCE[0]}")/wine64-loader" && pwd)
  case ":$PATH:" in *":$wine_loader_commands:"*) ;; *) PATH="$wine_loader_commands:$PATH" ;; esac
  export PATH
fi

# wine_tree_arch TREE: the kind of Windows machine a cross build tree's programs are for, as the tree's
# configuration wrote it: win32 (PE32 programs) or win64 (PE32+).
wine_tree_arch() {
  cat "$1/wine-arch" 2>/dev/null || echo win32
}

wine_env() {
  export WINEPREFIX="$1"
  export WINEARCH
  WINEARCH=$(wine_arch "$1")
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="${PURGEWELL_DLLOVERRIDES:-mscoree,mshtml=}"
  export LANG=C.UTF-8
  unset LC_ALL
}

# win64 for a prefix whose registry says it is 64-bit Windows (Wine writes "#arch=win64" at its top), otherwise
# win32; a prefix not made yet gets PURGEWELL_WINEARCH (win32 unless set).
wine_arch() {
  local arch=${PURGEWELL_WINEARCH:-win32}
  if [ -f "$1/system.reg" ]; then
    arch=win32
    head -n 5 "$1/system.reg" | grep -qx '#arch=win64' && arch=win64
  fi
  echo "$arch"
}

# Builds a clean prefix once: no z: drive, no folder of C: that leads out of the prefix (Wine links the user
# folders, Templates in AppData among them, to $HOME or its XDG folders), Wine's fonts.
# wine_template PREFIX [ARCH]: ARCH win32 (the default) or win64, 64-bit Windows with its WOW64 layer.
wine_template() {
  local prefix=$1 arch=${2:-win32}
  [ -f "$prefix/.purgewell-template" ] && return 0
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  (
    PURGEWELL_WINEARCH=$arch wine_env "$prefix"
    wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
  )
  rm -f "$prefix/dosdevices/z:"
  local link
  while IFS= read -r -d '' link; do
    rm -f "$link"
    mkdir -p "$link"
  done < <(find "$prefix/drive_c/users" -type l -print0)
  mkdir -p "$prefix/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  echo disable > "$prefix/.update-timestamp"
  touch "$prefix/.purgewell-template"
}

# A private copy of the template for one test or one sandbox (never hard links: the registry files are rewritten in place).
wine_copy() {
  local template=$1 prefix=$2
  wine_stop_server "$prefix"
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  cp -a "$template" "$prefix"
  rm -f "$prefix/.purgewell-template"
}

# wine_map_drive PREFIX LETTER FOLDER [TYPE]: FOLDER relative to the prefix (e.g. drive_d); TYPE hd, floppy, cdrom, network or ramdisk.
# Without a running server the type is written straight into the registry file.
wine_map_drive() {
  local prefix=$1 letter=$2 folder=$3 type=${4:-hd}
  mkdir -p "$prefix/$folder"
  rm -f "$prefix/dosdevices/$letter:"
  ln -s "../$folder" "$prefix/dosdevices/$letter:"
  (
    wine_env "$prefix"
    # Wine reads the types in the machine's own registry view, where reg on a 64-bit prefix must be sent.
    local view=""
    [ "$WINEARCH" = win64 ] && view=/reg:64
    wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /t REG_SZ /d "$type" ${view:+"$view"} /f \
      >/dev/null 2>&1 </dev/null
  )
}

# Keeps one server for the prefix and primes it, so Wine's services do not hold the caller's pipes.
wine_start_server() {
  local prefix=$1 seconds=${2:-}
  (
    wine_env "$prefix"
    if wineserver "-p$seconds" 2>/dev/null; then
      wine cmd /c exit </dev/null >/dev/null 2>&1
    fi
  )
}

wine_stop_server() {
  local prefix=$1
  [ -d "$prefix" ] || return 0
  (
    wine_env "$prefix"
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  )
}

# wine_set_windows_version PREFIX VERSION: the Windows the prefix reports to programs (winxp, win7, win10...),
# as winecfg /v VERSION sets it.
wine_set_windows_version() {
  local prefix=$1 version=$2
  (
    wine_env "$prefix"
    wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$version" /f >/dev/null 2>&1 </dev/null
  )
}

# wine_windows_version PREFIX: what cmd's ver shows there, e.g. "Microsoft Windows XP [Version 5.1.2600]".
wine_windows_version() {
  (
    wine_env "$1"
    cd "$1/drive_c" && wine cmd /c ver </dev/null 2>/dev/null | tr -d '\r' | sed '/^$/d'
  )
}
