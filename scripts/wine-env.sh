#!/usr/bin/env bash
# Runs a command (for example ctest) with the Wine environment of a Windows build folder:
#   [ZEM_WINE_LANG=zh_CN.UTF-8] scripts/wine-env.sh [--xvfb] <build folder> <command> [arguments...]
# The prefix <build folder>/wineprefix is made on first use (64-bit, so that it runs both
# widths), with crash dialogs off, the Chinese and Japanese system fonts substituted by
# WenQuanYi Micro Hei and Wine's own fonts copied in. A persistent wineserver runs for the
# length of the command: without it every test would start and stop a server of its own
# (2.5 s each) and hold CTest's output pipe open. It is stopped when the command ends.
# With --xvfb the command runs on a private Xvfb display (for the window test); without it
# DISPLAY is removed, so that one live wineserver never serves runs with and without one.
set -euo pipefail

xvfb=0
if [ "${1:-}" = --xvfb ]; then
  xvfb=1
  shift
fi
if [ $# -lt 2 ]; then
  echo "usage: $0 [--xvfb] <build folder> <command> [arguments...]" >&2
  exit 2
fi
build_dir=$(cd "$1" && pwd)
shift

export WINEPREFIX="$build_dir/wineprefix"
export WINEARCH=win64
export WINEDEBUG=${ZEM_WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes the user's locale and ANSI code page from the Unix locale a process starts in
# (C.UTF-8: 1033 and 1252). ZEM_WINE_LANG names another, for example zh_CN.UTF-8 (2052 and
# 936); it is compiled into the build folder once when the system has not got it.
locale_name=${ZEM_WINE_LANG:-C.UTF-8}
if [ "$locale_name" != C.UTF-8 ] && ! locale -a 2>/dev/null | grep -qix "${locale_name/UTF-8/utf8}"; then
  export LOCPATH="$build_dir/locale"
  if [ ! -d "$LOCPATH/$locale_name" ]; then
    mkdir -p "$LOCPATH"
    localedef -i "${locale_name%%.*}" -f UTF-8 "$LOCPATH/$locale_name"
  fi
fi
export LANG=$locale_name
export LC_ALL=$locale_name
unset DISPLAY WAYLAND_DISPLAY

xvfb_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

if [ "$xvfb" = 1 ]; then
  # The first free display number from 90 up; Xvfb owns its lock file while it runs.
  display=90
  while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
  done
  export DISPLAY=":$display"
fi

# A server left over from an earlier run may have been started with another DISPLAY.
wineserver -k 2>/dev/null || true

# The marker names the version of the settings below: a prefix made with older ones is set
# up again.
if [ ! -f "$WINEPREFIX/.zem-ready-4" ]; then
  mkdir -p "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1
  reg_file="$WINEPREFIX/zem-settings.reg"
  {
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    # No window manager runs on Xvfb to draw frames: Wine draws its windows' own (the
    # caption, and the close box in Marlett), as Windows would.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for font in "SimSun" "MS UI Gothic" "PMingLiU" "Microsoft YaHei" "Microsoft YaHei UI"; do
      printf '"%s"="WenQuanYi Micro Hei"\r\n' "$font"
    done
    printf '\r\n'
  } >"$reg_file"
  wine regedit /S "$(winepath -w "$reg_file")" >/dev/null 2>&1
  # Dialogs and captions are drawn in Tahoma, which has no Chinese: as on a Chinese Windows,
  # the characters it lacks come from a linked font.
  for font in Tahoma "Tahoma Bold"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$font" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
  fonts_dir="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts_dir"
  # Debian's fonts-wine installs Wine's fonts (Marlett draws the caption buttons) here.
  cp -f /usr/share/wine/fonts/*.ttf "$fonts_dir/" 2>/dev/null || true
  # WenQuanYi is found through fontconfig; a copy beside Wine's own makes it certain.
  cp -f /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$fonts_dir/" 2>/dev/null || true
  # The server of the set-up ends by itself once wineboot's services are gone; its ending
  # writes the registry files.
  wineserver -w
  touch "$WINEPREFIX/.zem-ready-4"
fi

wineserver -p
# Wine's own services (services.exe, winedevice.exe, explorer.exe) start with the first
# program and live as long as the server; started here with no output, they hold no pipe of
# a test (CTest waits for a test's output to close before it counts the test as done).
wine wineboot </dev/null >/dev/null 2>&1
"$@"
