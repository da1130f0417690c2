# Sourced by run.sh and test.sh: one Wine prefix, one virtual display and one wineserver for this
# checkout, with code page 936 and a CJK font for "微软雅黑".
# After sourcing: WINEPREFIX, DISPLAY, LC_ALL/LOCPATH set; wineserver kept alive; corvalis_wine_stop to end
# (a watcher ends the display and the wineserver as well once the sourcing shell has gone).
#
# CORVALIS_WINE_ROLE picks the prefix: "test" (the default) is the tests' own, whose Documents and
# other user folders are real folders inside it, so no test ever touches the files in the home
# folder; "run" is the one ./run.sh starts the bar in, left as Wine makes it (Documents is the home
# folder), so the user's shortcut file lives on across test runs.

corvalis_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
corvalis_wine_dir=${CORVALIS_WINE_DIR:-$corvalis_root/build/wine}
mkdir -p "$corvalis_wine_dir"

# Wine runs our i686 build where the kernel runs 32-bit code; where it cannot (some virtual machines
# boot with ia32 emulation off), the tests run the x86_64 build of the same sources under wine64.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  export CORVALIS_WINE_ARCH=win32
  export CORVALIS_WINDOWS_BUILD=$corvalis_root/build/windows
  corvalis_loader=/usr/lib/wine/wine
else
  export CORVALIS_WINE_ARCH=win64
  export CORVALIS_WINDOWS_BUILD=$corvalis_root/build/windows-x64
  corvalis_loader=/usr/lib/wine/wine64
  export WINELOADER=$corvalis_loader
fi
export WINEARCH=$CORVALIS_WINE_ARCH
case "${CORVALIS_WINE_ROLE:-test}" in
  run) corvalis_prefix_name=user-prefix-$CORVALIS_WINE_ARCH ;;
  *) corvalis_prefix_name=prefix-$CORVALIS_WINE_ARCH ;;
esac
export WINEPREFIX=${WINEPREFIX:-$corvalis_wine_dir/$corvalis_prefix_name}
# `wine` and `wineserver` on PATH always mean the pair that runs here.
mkdir -p "$corvalis_wine_dir/bin"
# (wrappers, not links: the loader finds its companions through its own name)
rm -f "$corvalis_wine_dir/bin/wine" "$corvalis_wine_dir/bin/wineserver"
printf '#!/bin/sh\nexec %s "$@"\n' "$corvalis_loader" >"$corvalis_wine_dir/bin/wine"
printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' >"$corvalis_wine_dir/bin/wineserver"
chmod +x "$corvalis_wine_dir/bin/wine" "$corvalis_wine_dir/bin/wineserver"
case ":$PATH:" in *":$corvalis_wine_dir/bin:"*) ;; *) export PATH=$corvalis_wine_dir/bin:$PATH ;; esac
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

# zh_CN.UTF-8 built locally: with it Chinese file names and arguments survive the trip through Wine.
if [ ! -d "$corvalis_wine_dir/locale/zh_CN.UTF-8" ]; then
  mkdir -p "$corvalis_wine_dir/locale"
  localedef -i zh_CN -f UTF-8 "$corvalis_wine_dir/locale/zh_CN.UTF-8" 2>/dev/null || true
fi
export LOCPATH=$corvalis_wine_dir/locale
{ export LC_ALL=zh_CN.UTF-8; } 2>/dev/null  # bash itself cannot switch before LOCPATH is read; Wine can

corvalis_screen=${CORVALIS_SCREEN:-1280x800}
corvalis_started_xvfb=""
corvalis_shell_pid=$BASHPID
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${corvalis_screen}x24" -nolisten tcp >"$corvalis_wine_dir/xvfb.log" 2>&1 &
    corvalis_started_xvfb=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    # Whoever sourced this may never call corvalis_wine_stop (a shell closed, a script killed):
    # the display and this prefix's wineserver end with the sourcing shell all the same.
    (
      trap '' HUP INT
      while kill -0 "$corvalis_shell_pid" 2>/dev/null; do sleep 1; done
      wineserver -k 2>/dev/null
      kill "$corvalis_started_xvfb" 2>/dev/null
    ) </dev/null >/dev/null 2>&1 &
    disown $! 2>/dev/null || true
    break
  done
fi

source "$corvalis_root/scripts/wine-prefix.sh"
corvalis_prepare_prefix "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
# Wine's background services inherit the output of the first program that starts them; start them
# here with output to nowhere, or a later `ctest | tee` would wait for them forever.
wine cmd.exe /c exit >/dev/null 2>&1 </dev/null

corvalis_wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$corvalis_started_xvfb" ] && kill "$corvalis_started_xvfb" 2>/dev/null || true
}
