#!/usr/bin/env bash
# Prepares a Wine prefix for the program once: code page 936 fonts ("微软雅黑" resolves to
# WenQuanYi Micro Hei), no window manager needed, shell classes for .exe and .txt, and - unless
# it is the user's own (role "run") - real Documents and other user folders instead of links to
# the home folder. With a DPI it also sets the prefix's screen DPI (LogPixels), which Wine reads
# when its server starts, so the server is stopped afterwards.
#
# Sourced by wine-env.sh (corvalis_prepare_prefix), or run: wine-prefix.sh PREFIX [DPI]
# with WINEARCH, WINELOADER, PATH and the locale set as wine-env.sh sets them.

corvalis_reg() { wine reg add "$@" /f >/dev/null 2>&1; }

corvalis_prepare_prefix() {
  local prefix=$1 dpi=${2:-} log_dir
  log_dir=$(dirname "$prefix")
  if [ ! -f "$prefix/.corvalis-ready" ]; then
    echo "wine: preparing the prefix in $prefix (once)"
    WINEPREFIX=$prefix wine wineboot.exe -i >"$log_dir/wineboot-$(basename "$prefix").log" 2>&1
    WINEPREFIX=$prefix corvalis_reg 'HKCU\Software\Wine\Fonts\Replacements' /v '微软雅黑' /d 'WenQuanYi Micro Hei'
    WINEPREFIX=$prefix corvalis_reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'Microsoft YaHei' /d 'WenQuanYi Micro Hei'
    WINEPREFIX=$prefix corvalis_reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
    WINEPREFIX=$prefix corvalis_reg 'HKCR\.exe' /ve /d exefile
    WINEPREFIX=$prefix corvalis_reg 'HKCR\.txt' /ve /d txtfile
    if [ -n "$dpi" ]; then
      WINEPREFIX=$prefix corvalis_reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi"
    fi
    WINEPREFIX=$prefix wineserver -w
    touch "$prefix/.corvalis-ready"
  fi
  # Windows shows keyboard cues (a list's focus mark, access-key underlines) only once the
  # keyboard is used; a new Wine prefix shows them always. Every prefix takes Windows' default
  # (an older one once too), so that the bar looks here as it does for our users.
  if [ ! -f "$prefix/.corvalis-cues" ]; then
    WINEPREFIX=$prefix corvalis_reg 'HKCU\Control Panel\Desktop' /v UserPreferencesMask /t REG_BINARY \
      /d 1000028012000000
    touch "$prefix/.corvalis-cues"
  fi
  # Wine makes Documents, Desktop and the other user folders links to the home folder. In a test
  # prefix they become real folders of its own (checked every time, so an older prefix is mended
  # too): a test that writes or removes the shortcut file then never reaches the user's.
  if [ "${CORVALIS_WINE_ROLE:-test}" != run ]; then
    local user_dir link
    for user_dir in "$prefix"/drive_c/users/*/; do
      for link in "$user_dir"{Desktop,Documents,Downloads,Music,Pictures,Videos,Templates}; do
        if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
      done
    done
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  [ $# -ge 1 ] || { echo "usage: $0 PREFIX [DPI]" >&2; exit 64; }
  corvalis_prepare_prefix "$@"
fi
