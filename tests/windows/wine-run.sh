#!/bin/sh
# wine-run.sh PREFIX PROGRAM.exe [ARG...]: runs a Windows program under Wine in the prefix
# PREFIX, making the prefix on first use: no crash dialog (it would wait for a click forever),
# no debug output, and the window description's three fonts mapped to the installed faces.
set -e
prefix=$(realpath -m "$1")
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ ! -f "$prefix/.orvanta-ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/.orvanta-ready" ]; then
      "$wine" wineboot -i >/dev/null 2>&1 || true
      reg=$(mktemp --suffix=.reg)
      printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '"黑体"="WenQuanYi Zen Hei"' '"SimHei"="WenQuanYi Zen Hei"' \
        '"宋体"="AR PL UMing CN"' '"SimSun"="AR PL UMing CN"' '"Tahoma"="DejaVu Sans"' '' >"$reg"
      iconv -f UTF-8 -t UTF-16LE "$reg" | { printf '\377\376'; cat; } >"$reg.utf16"
      "$wine" regedit /S "Z:$(echo "$reg.utf16" | tr / '\\')" >/dev/null 2>&1
      rm -f "$reg" "$reg.utf16"
      "$wine" wineboot -s >/dev/null 2>&1 || true
      WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w 2>/dev/null || true
      touch "$prefix/.orvanta-ready"
    fi
  ) 9>"$prefix.lock"
fi
# A server that outlives each program by a minute: every start after the first then takes a
# fraction of a second instead of several.
wineserver=$(dirname "$(realpath "$wine")")/wineserver
# Detached from our output, so that whoever waits for the output to close does not wait for it.
[ -x "$wineserver" ] && "$wineserver" -p60 </dev/null >/dev/null 2>&1 || true
exec "$wine" "$@"
