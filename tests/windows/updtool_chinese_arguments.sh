#!/usr/bin/env bash
# updtool.exe under Wine with Chinese words on its command line (folders, files, a value, a key),
# as a Chinese Windows hands them over: what it stores is GBK, what it prints is in the
# console's code page (936 here) on standard output and standard error alike.
set -euo pipefail
updtool=$1
dir=$(mktemp -d /tmp/brimsel-updtool-args.XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/博睿"
ini="Z:$dir/博睿/Update.ini"
fail() { echo "FAIL: $*" >&2; exit 1; }

wine "$updtool" ini set --plain "$ini" title 博睿软件 || fail "ini set exited with $?"
grep -qaF "title=$(printf 博睿软件 | iconv -t GBK)" "$dir/博睿/Update.ini" || fail "the file does not hold the GBK value"

wine "$updtool" ini set "$ini" homepage 主页 || fail "ini set (enciphered) exited with $?"
printed() { wine "$updtool" ini get "$@" | iconv -f GB18030 | tr -d '\r'; }
[[ $(printed --plain "$ini" title) == 博睿软件 ]] || fail "ini get title printed '$(printed --plain "$ini" title)'"
[[ $(printed "$ini" homepage) == 主页 ]] || fail "ini get homepage printed '$(printed "$ini" homepage)'"

if wine "$updtool" ini get "$ini" 标题 2>"$dir/err"; then fail "an unknown key was taken"; fi
grep -qF "unknown key '标题'" <(iconv -f GB18030 "$dir/err") || fail "the error reads: $(cat "$dir/err")"
# The other commands take Chinese folder and file names too: a release made from a folder
# 产品 into a site below 博睿, and the version page it wrote read back by match.
mkdir "$dir/产品"
printf 'Brimsel\r\n' >"$dir/产品/说明.txt"
wine "$updtool" release "Z:$dir/产品" Brimsel --site "Z:$dir/博睿/站点" --date 2026-12-7 >/dev/null ||
  fail "release exited with $?"
[[ -f $dir/博睿/站点/update/Brimsel.zip ]] || fail "release wrote no package"
[[ $(wine "$updtool" match "Z:$dir/博睿/站点/update/getver/Brimsel.html" | tr -d '\r') == 2026-12-7 ]] ||
  fail "match did not read the version page"
# Names that Windows folds into one file, or reads as another, are refused with the reason:
# letters beyond ASCII folded as the system folds them, a short alias shape, a device.
refused() {
  rm -rf "$dir/拒绝" && mkdir "$dir/拒绝" && for name in "${@:2}"; do printf x >"$dir/拒绝/$name"; done
  if wine "$updtool" release "Z:$dir/拒绝" Brimsel --site "Z:$dir/拒绝站点" --date 2026-12-7 >"$dir/out" 2>&1; then
    fail "release took ${*:2}"
  fi
  grep -qF "$1" <(iconv -f GB18030 "$dir/out") || fail "release said: $(iconv -f GB18030 "$dir/out")"
}
refused "would both be installed" Ａ.txt ａ.txt
refused "would both be installed" Д.txt д.txt
refused "short alias" LONG~1.TXT
refused "device of Windows" nul.txt
echo "passed"
