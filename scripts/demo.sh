#!/usr/bin/env bash
# The whole update from end to end on this machine: an installation folder with an old
# Brimsel, a local update server with a newer release, the product's window open, and the
# wizard clicked through page by page.
#
#   scripts/demo.sh [--build-dir DIR] [--work DIR] [--check] [--key DIR --updater FILE]
#                   [--windows [--windows-build DIR]]
#
# --key signs the release with DIR/vendor.key (updtool keygen); --updater installs FILE,
# an update.exe built with DIR/vendor.pub, in place of the build's own.
#
# With a working $DISPLAY (and without --check) the wizard opens there for you to click.
# Otherwise it runs on a private Xvfb display and is clicked through with xdotool; a
# screenshot of each page is saved. --check verifies the outcome and exits non-zero when
# anything is off (the end-to-end tests run it so). Needs root for port 80 of 127.0.0.1,
# where the updater looks for the vendor's site in this build.
#
# --windows runs the Windows build (build-windows/) under Wine instead: its update.exe and
# a Windows product window, in the Wine prefix named by $WINEPREFIX or else in one of the
# demo's own; Wine's cmd runs update.bat. The server, updtool and the screenshots still
# come from the Linux build (--build-dir).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/script_options.sh"
exit_on_help "$@"
build=$root/build
work=
check=0
key=
keyed_updater=
windows=0
windows_build=$root/build-windows
while (($#)); do
  case $1 in
    --build-dir) build=$(cd "$2" && pwd); shift 2 ;;
    --work) work=$2; shift 2 ;;
    --check) check=1; shift ;;
    --key) key=$(cd "$2" && pwd); shift 2 ;;
    --updater) keyed_updater=$2; shift 2 ;;
    --windows) windows=1; shift ;;
    --windows-build) windows_build=$(cd "$2" && pwd); shift 2 ;;
    *) echo "demo: unknown argument $1" >&2; exit 2 ;;
  esac
done
temporary_work=0
[[ -n $work ]] || { work=$(mktemp -d /tmp/brimsel-demo.XXXXXX); temporary_work=1; }
mkdir -p "$work"
work=$(cd "$work" && pwd)
address=127.0.0.1

say() { printf '\n== %s\n' "$*"; }
fail() { printf 'demo: %s\n' "$*" >&2; exit 1; }

# Runs a condition until it holds, for at most $2 seconds.
wait_for() {
  local condition=$1 deadline=$((SECONDS + $2))
  until eval "$condition"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

pids=()
own_wine_prefix=0
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if ((own_wine_prefix)); then
    wineserver -k 2>/dev/null || true
    # A prefix takes some 600 MB: one made for a throw-away run goes with it.
    if ((temporary_work)); then rm -rf "$WINEPREFIX"; fi
  fi
}
trap cleanup EXIT

# Becomes a program of the demo, the Linux one itself or the Windows one through Wine, so
# that its process id is the program's own. Used in a subshell only.
run_program() { if ((windows)); then exec wine "$@"; else exec "$@"; fi; }

# --- the installation folder, laid out by cmake --install --------------------------------
say "Installing Brimsel 1.0 into $work/prefix"
rm -rf "$work/prefix" "$work/site" "$work/package" "$work/screenshots"
updtool=$build/bin/updtool
if ((windows)); then
  cmake --install "$windows_build" --prefix "$work/prefix" >/dev/null
  [[ -f $work/prefix/brimsel/update.exe && -f $work/prefix/bin/updtool.exe ]] || fail "the installation is incomplete"
  [[ $(ls "$work/prefix/brimsel") == update.exe ]] || fail "the installation holds more than update.exe"
  product_program=$windows_build/bin/demo_product.exe
else
  cmake --install "$build" --prefix "$work/prefix" >/dev/null
  updtool=$work/prefix/bin/updtool
  [[ -x $work/prefix/brimsel/update.exe && -x $work/prefix/brimsel/batchrun ]] || fail "the installation is incomplete"
  product_program=$build/bin/demo_product
fi
inst=$work/prefix/brimsel
[[ -x $updtool ]] || fail "no updtool in $build"
[[ -n $keyed_updater ]] && cp "$keyed_updater" "$inst/update.exe"
ini=$inst/Update.ini
"$updtool" ini set "$ini" title Brimsel
"$updtool" ini set "$ini" version 1.0
"$updtool" ini set "$ini" homepage http://www.brimsel.example
"$updtool" ini set "$ini" FSoftName Brimsel
"$updtool" ini set "$ini" LastUpdate 2025-1-1
printf 'Brimsel 1.0\r\n' > "$inst/readme.txt"
printf 'old data\r\n' > "$inst/brimsel.dat"
# A program of the product, which must stay executable when the update replaces it.
printf '#!/bin/sh\necho "Brimsel 1.0"\n' > "$inst/brimsel"
chmod 755 "$inst/brimsel"

# --- the release on the local update server ----------------------------------------------
# Dated with a time of day, as a second release of the day is; the updater records this
# date as LastUpdate, not the day it installs the release.
release="$(date +%Y-%-m-%-d) 12:00"
say "Publishing the release of $release on http://$address/"
mkdir -p "$work/package/data" "$work/site/update"
printf 'Brimsel 1.1\r\n' > "$work/package/readme.txt"
printf 'new data\r\n' > "$work/package/data/brimsel.dat"
printf '#!/bin/sh\necho "Brimsel 1.1"\n' > "$work/package/brimsel"
# The new updater: this build's, marked so that it differs from the installed one. The
# release packs every file as a package made on Windows would, without a Unix mode: the
# installed programs must keep the mode they had.
{ cat "$inst/update.exe"; printf '\n#brimsel-updater 1.1\n'; } > "$work/package/Update.EXE"
chmod +x "$work/package/Update.EXE"
sign=() public_key=()
[[ -n $key ]] && sign=(--sign "$key/vendor.key") public_key=(--public-key "$key/vendor.pub")
"$updtool" release "$work/package" Brimsel --site "$work/site" --date "$release" "${sign[@]}"
"$updtool" serve "$work/site" --address "$address" > "$work/server.log" 2>&1 &
pids+=($!)
wait_for "curl -sf -o /dev/null http://$address/update/test.html" 10 || fail "the update server did not start: $(cat "$work/server.log")"
say "Checking the release as an updater of 2025-1-1 would"
"$updtool" check "http://$address" Brimsel --last-update 2025-1-1 "${public_key[@]}" || fail "updtool check refused the release"

# --- a display ------------------------------------------------------------------------------
interactive=0
if ((check == 0)) && [[ -n ${DISPLAY:-} ]] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  interactive=1
else
  # Xvfb picks a free display number itself and writes it to descriptor 3.
  rm -f "$work/xvfb.display"
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/xvfb.display" >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  wait_for "[[ -s '$work/xvfb.display' ]]" 15 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=:$(tr -d '[:space:]' <"$work/xvfb.display")
fi
export QT_QPA_PLATFORM=xcb
# Qt wants a private runtime folder; without one it warns on every start.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# --- Wine, for the Windows build -------------------------------------------------------------
# Set up once the display is there: Wine's desktop process, started by the first program,
# keeps the display it was started with.
if ((windows)); then
  export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # Wine takes its code page (936) and the charset of file names from the locale.
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
  if [[ -z ${WINEPREFIX:-} ]]; then
    export WINEPREFIX=$work/wine
    own_wine_prefix=1
  fi
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    say "Making a Wine prefix in $WINEPREFIX"
    wineboot --init >/dev/null 2>&1 && wineserver -w
  fi
  # One server for every program of the demo (a program then starts in a fraction of a
  # second), detached from the demo's output so that no caller waits for it to quit.
  if ((own_wine_prefix)); then wineserver -p </dev/null >/dev/null 2>&1; fi
  # Wine draws the window frames itself: no window manager, and closes take milliseconds.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # Marlett, for the glyph of the title-bar close box.
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi
# --- the running product and the wizard ---------------------------------------------------
(run_program "$product_program" Brimsel) > "$work/product.log" 2>&1 &
product=$!
pids+=("$product")
wait_for "xdotool search --onlyvisible --name '^Brimsel\$' >/dev/null 2>&1" 30 || fail "the product window did not open"

say "Starting $inst/update.exe"
(cd / && run_program "$inst/update.exe") > "$work/update.log" 2>&1 &
updater=$!
pids+=("$updater")

if ((interactive)); then
  echo "The wizard is open on $DISPLAY: click it through."
  wait "$updater" || true
else
  shots=$work/screenshots
  mkdir -p "$shots"
  wizard_windows() { xdotool search --onlyvisible --name '^在线升级$' 2>/dev/null || true; }
  wait_for '[[ -n $(wizard_windows) ]]' 20 || fail "the wizard did not open"
  wizard=$(wizard_windows | head -n 1)
  shot() { sleep 0.5; "$build/bin/screenshot" "$shots/$1.png" "$wizard"; }  # let the page paint
  # Wine's own frame puts the client area at (3, 22) of its X window.
  frame_x=0 frame_y=0
  if ((windows)); then frame_x=3 frame_y=22; fi
  click_at() { xdotool mousemove --window "$wizard" $(($1 + frame_x)) $(($2 + frame_y)) click 1; }
  # Next sits at (352, 12) in the 46-pixel panel along the bottom of the 519 x 341 client area.
  click_next() { click_at 389 319; }
  # Clicks Next until `condition` holds: a click while Next is still disabled does nothing.
  next_until() {
    local condition=$1 tries
    for tries in 1 2 3 4 5 6 7 8 9 10; do
      click_next
      wait_for "$condition" 2 && return 0
    done
    return 1
  }
  notice_box() { wizard_windows | grep -v "^$wizard\$" | head -n 1; }

  shot 1-welcome
  next_until "grep -q 'GET /update/test.html' '$work/server.log'" || fail "the update check did not probe the server"
  shot 2-servers
  next_until '[[ -n $(notice_box) ]]' || fail "the running-product notice did not appear"
  box=$(notice_box)
  shot 3-notice
  xdotool windowfocus --sync "$box" key Return
  wait_for "[[ \$('$updtool' ini get '$ini' LastUpdate) == '$release' ]]" 60 || fail "the update was not installed"
  shot 4-log
  # Read the installation log through the clipboard: click into it, select all, copy.
  click_at 250 100
  xdotool key ctrl+Home shift+ctrl+End ctrl+c
  wait_for "xclip -o -selection clipboard > '$work/install.log' 2>/dev/null && [[ -s '$work/install.log' ]]" 10 || true
  click_next
  shot 5-finish
  click_next
  wait_for "! kill -0 $updater 2>/dev/null" 20 || fail "the wizard did not close"
fi

say "Waiting for the new update.exe to be put in place"
wait_for "[[ ! -e '$inst/update.bat' ]] && cmp -s '$inst/update.exe' '$work/package/Update.EXE'" 60 || true

# --- what happened --------------------------------------------------------------------------
say "Installation log"
[[ -s $work/install.log ]] && cat "$work/install.log" && echo
say "LastUpdate is now: $("$updtool" ini get "$ini" LastUpdate)"
say "update.log"
cat "$inst/update/update.log" 2>/dev/null | iconv -f GBK -t UTF-8 || true
yes_no() { if eval "$1"; then echo yes; else echo no; fi; }
echo "The product's window was closed: $(yes_no "! kill -0 $product 2>/dev/null")"
echo "The new update.exe is in place and update.bat is gone: $(yes_no "cmp -s '$inst/update.exe' '$work/package/Update.EXE' && [[ ! -e '$inst/update.bat' ]]")"
[[ -n ${shots:-} ]] && say "Screenshots: $shots" && ls "$shots"

if ((check)); then
  problems=()
  log=$(cat "$work/install.log" 2>/dev/null || true)
  for line in "文件更新成功：readme.txt" "文件更新成功：brimsel.dat" "文件更新成功：brimsel" "文件更新失败：update.exe"; do
    grep -qxF "$line" <<<"$log" || problems+=("log line missing: $line")
  done
  cmp -s "$inst/readme.txt" "$work/package/readme.txt" || problems+=("readme.txt was not installed")
  cmp -s "$inst/brimsel.dat" "$work/package/data/brimsel.dat" || problems+=("brimsel.dat was not installed")
  [[ $("$updtool" ini get "$ini" LastUpdate) == "$release" ]] || problems+=("LastUpdate is not $release")
  kill -0 "$product" 2>/dev/null && problems+=("the product window was not closed")
  cmp -s "$inst/update.exe" "$work/package/Update.EXE" || problems+=("update.exe was not replaced")
  # Unix modes: a replaced program stays executable, and so does the new updater, which
  # starts and shows its window until it is stopped (124 is timeout's status for a program
  # it had to stop; 126 would be a file that cannot be executed). Windows has no such bit.
  if ((!windows)); then
    [[ $("$inst/brimsel" 2>&1) == "Brimsel 1.1" ]] || problems+=("the product program cannot be run after the update")
    rc=0
    QT_QPA_PLATFORM=offscreen timeout 3 "$inst/update.exe" >/dev/null 2>&1 || rc=$?
    ((rc == 124)) || problems+=("the new update.exe cannot be run (status $rc)")
  fi
  [[ -e $inst/update.bat ]] && problems+=("update.bat was not deleted")
  [[ -e $inst/update.exe.new ]] && problems+=("update.exe.new was left beside update.exe")
  runlog=$(iconv -f GBK -t UTF-8 "$inst/update/update.log" 2>/dev/null || true)
  grep -q "LastUpdate written: $release" <<<"$runlog" || problems+=("update.log does not say that LastUpdate was written")
  [[ -n $key ]] && ! grep -q "signature of .* verified for the release of $release" <<<"$runlog" && problems+=("update.log does not say that the signature was verified")
  if ((${#problems[@]})); then
    printf 'FAILED: %s\n' "${problems[@]}" >&2
    exit 1
  fi
  echo "All checks passed."
fi
