#!/usr/bin/env bash
# The build scripts as a vendor runs them: what they refuse when configuring, with the
# reason; that nothing refused, and nothing not given, is kept from an earlier configure;
# the Windows vendor build's folder; and --help. The scripts run in a shadow of the source
# tree (its entries linked), so that their build folders land in a temporary folder, and
# with a cmake in front of the real one that configures for real but builds nothing.
#
#   vendor_build_test.sh CASE
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/brimsel-vendor-build.XXXXXX)
trap 'rm -rf "$work"' EXIT
tree=$work/tree
mkdir -p "$tree" "$work/bin"
for entry in "$source_dir"/*; do
  [[ $(basename "$entry") == build* ]] || ln -s "$entry" "$tree/"
done
# What would build or install is only recorded.
real_cmake=$(command -v cmake)
cat >"$work/bin/cmake" <<STUB
#!/usr/bin/env bash
if [[ \${1:-} == --build ]]; then echo "cmake \$*" >>"$work/started"; exit 0; fi
exec "$real_cmake" "\$@"
STUB
for program in apt-get ctest wineboot; do
  printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$program" "$work/started" >"$work/bin/$program"
done
chmod +x "$work/bin"/*
export PATH=$work/bin:$PATH
key_file=$source_dir/tests/data/vendor_key/vendor.pub
read -r key <"$key_file"

fail() { echo "FAILED: $*" >&2; exit 1; }
# Runs a script of the shadow tree; its output lands in $work/out.
run() { local script=$1; shift; bash "$tree/scripts/$script" "$@" >"$work/out" 2>&1; }
cached() { grep "^$1:" "$2/CMakeCache.txt" | cut -d= -f2-; }
nothing_started() { [[ ! -e $work/started ]] || fail "$1 started: $(cat "$work/started")"; }

# The script refuses the arguments, names the reason, builds nothing and leaves no refused
# site in the cache of `folder`.
expect_refusal() {
  local script=$1 folder=$2 reason=$3 url=$4; shift 4
  if run "$script" "$@"; then fail "$script $* was accepted: $(cat "$work/out")"; fi
  grep -q -- "$reason" "$work/out" || fail "$script $* does not say '$reason': $(cat "$work/out")"
  nothing_started "$script $*"
  if [[ -f $tree/$folder/CMakeCache.txt ]] && [[ $(cached BRIMSEL_VENDOR_SITE_URL "$tree/$folder") == "$url" ]]; then
    fail "the refused $url stayed in $folder's cache"
  fi
}

case $1 in
  help)
    for script in build.sh build-windows.sh run.sh test.sh demo.sh setup.sh fuzz.sh; do
      run "$script" --help || fail "$script --help failed: $(cat "$work/out")"
      [[ $(head -1 "$work/out") == "$(sed -n 2p "$source_dir/scripts/$script" | sed 's/^# //')" ]] ||
        fail "$script --help prints no usage: $(head -3 "$work/out")"
      nothing_started "$script --help"
    done
    [[ -z $(ls "$tree" | grep '^build') ]] || fail "--help made a build folder"
    ;;
  site_with_port)
    expect_refusal build.sh build-vendor "names a port" http://127.0.0.77:8080 --vendor http://127.0.0.77:8080 ;;
  site_with_user)
    expect_refusal build.sh build-vendor "names a user" http://me@www.example.com --vendor http://me@www.example.com ;;
  https_site)
    expect_refusal build-windows.sh build-windows-vendor "is https" https://www.example.com --vendor https://www.example.com ;;
  site_with_path)
    # Given to the demo's build straight to cmake, and refused there too.
    expect_refusal build.sh build "has a path" http://www.example.com/brimsel \
      -DBRIMSEL_VENDOR_SITE_URL=http://www.example.com/brimsel
    run build.sh || fail "the demo's build does not configure after a refused site: $(cat "$work/out")"
    [[ $(cached BRIMSEL_VENDOR_SITE_URL "$tree/build") == http://127.0.0.1 ]] || fail "the demo's site is not back"
    ;;
  key_or_unsigned)
    expect_refusal build.sh build-vendor "man in the middle" none --vendor http://www.example.com
    grep -q -- "--unsigned" "$work/out" || fail "the refusal does not name --unsigned: $(cat "$work/out")"
    grep -q -- "--key" "$work/out" || fail "the refusal does not name --key: $(cat "$work/out")"
    run build.sh --vendor http://www.example.com --unsigned || fail "--unsigned is refused: $(cat "$work/out")"
    ;;
  nothing_kept)
    run build.sh --vendor http://www.example.com --key "$key_file" || fail "--key is refused: $(cat "$work/out")"
    [[ $(cached BRIMSEL_VENDOR_PUBLIC_KEY "$tree/build-vendor") == "$key" ]] || fail "the key is not in the build"
    # Without the key the next build has none, and says so out loud.
    run build.sh --vendor http://www.example.com --unsigned || fail "--unsigned is refused: $(cat "$work/out")"
    [[ -z $(cached BRIMSEL_VENDOR_PUBLIC_KEY "$tree/build-vendor") ]] || fail "the key of the earlier build was kept"
    # A refused key is not kept either.
    if run build.sh --vendor http://www.example.com -DBRIMSEL_VENDOR_PUBLIC_KEY=0123abc; then fail "a short key was accepted"; fi
    grep -q "0123abc" "$tree/build-vendor/CMakeCache.txt" && fail "the refused key stayed in the cache"
    true
    ;;
  windows_vendor_build)
    run build-windows.sh --vendor http://www.example.com --key "$key_file" || fail "refused: $(cat "$work/out")"
    folder=$tree/build-windows-vendor
    [[ -f $folder/CMakeCache.txt && ! -e $tree/build-windows ]] || fail "not built in build-windows-vendor/ alone"
    [[ $(cached BRIMSEL_BUILD_TESTS "$folder") == OFF ]] || fail "the vendor's build has the tests"
    [[ $(cached BRIMSEL_VENDOR_PUBLIC_KEY "$folder") == "$key" ]] || fail "the key is not in the build"
    grep -q "cmake --build build-windows-vendor" "$work/started" || fail "build-windows-vendor/ was not built"
    # What is shipped is stripped.
    "$real_cmake" --build "$folder" -- -t commands update.exe | tail -1 | grep -q -- " -s " ||
      fail "update.exe is linked with its symbols"
    ;;
  *) fail "no case $1" ;;
esac
