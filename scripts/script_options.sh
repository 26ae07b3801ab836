# What the scripts share, sourced by them (never run on its own).

# Prints the calling script's usage, its opening comment, and exits when the arguments
# hold --help or -h: asking how to use a script never starts a build.
exit_on_help() {
  local arg
  for arg; do
    if [[ $arg == --help || $arg == -h ]]; then
      sed -n '2,/^[^#]/{/^#/{s/^# \{0,1\}//;p}}' "$0"
      exit 0
    fi
  done
}

script_error() {
  echo "$(basename "$0"): $*" >&2
  exit 2
}

# The key given to --key: the file vendor.pub of updtool keygen, or its 64 hex digits.
read_vendor_key() {
  local given=$1 key
  if [[ -f $given ]]; then
    read -r key <"$given" || true
    [[ -n $key ]] || script_error "--key: $given is empty; give vendor.pub of updtool keygen"
    printf '%s' "$key"
  elif [[ $given =~ ^[0-9A-Fa-f]{64}$ ]]; then
    printf '%s' "$given"
  else
    script_error "--key: no file $given; give vendor.pub of updtool keygen, or its 64 hex digits"
  fi
}

# Splits the arguments of a build script: --vendor URL, --key KEY and --unsigned make
# vendor_url and vendor_settings (the cmake arguments of a vendor's build, every setting
# given anew, so that none is kept from an earlier configure: a key not given is none);
# the rest land in cmake_arguments, after them, where they win.
parse_build_arguments() {
  vendor_url=
  vendor_settings=()
  cmake_arguments=()
  local key= unsigned=OFF key_option=
  while (($#)); do
    case $1 in
      --vendor)
        (($# >= 2)) || script_error "--vendor takes the site's URL, e.g. http://www.example.com"
        vendor_url=${2%/}
        shift 2 ;;
      --key)
        (($# >= 2)) || script_error "--key takes vendor.pub of updtool keygen"
        key=$(read_vendor_key "$2")
        key_option=--key
        shift 2 ;;
      --unsigned)
        unsigned=ON
        key_option=--unsigned
        shift ;;
      *)
        cmake_arguments+=("$1")
        shift ;;
    esac
  done
  if [[ -z $vendor_url ]]; then
    [[ -z $key_option ]] || script_error "$key_option belongs to a vendor's build: --vendor URL $key_option ..."
    return 0
  fi
  vendor_settings=(-DBRIMSEL_VENDOR_BUILD=ON -DBRIMSEL_VENDOR_SITE_URL="$vendor_url"
                   -DBRIMSEL_VENDOR_PUBLIC_KEY="$key" -DBRIMSEL_VENDOR_UNSIGNED=$unsigned
                   -DBRIMSEL_BUILD_TESTS=OFF -DBRIMSEL_BUILD_BENCH=OFF)
}
