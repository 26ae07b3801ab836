# The vendor's settings built into update.exe, checked where they are given: the site the
# updater asks for releases and the public key it checks them with. A value refused here
# is taken out of the cache again, so that no later configure builds with it.
#
# BRIMSEL_VENDOR_BUILD marks a build that is shipped (scripts/build.sh --vendor,
# scripts/build-windows.sh --vendor). Such a build takes no setting by default: it needs its
# site, and a key or BRIMSEL_VENDOR_UNSIGNED; its programs are stripped.

option(BRIMSEL_VENDOR_BUILD "A vendor's build: site and key (or BRIMSEL_VENDOR_UNSIGNED) must be given" OFF)
option(BRIMSEL_VENDOR_UNSIGNED "A vendor's build without a key, installing whatever its site serves" OFF)

function(brimsel_refuse_setting variable reason)
  unset(${variable} CACHE)
  message(FATAL_ERROR "${variable}: ${reason}")
endfunction()

# --- the site -----------------------------------------------------------------------------
# The updater asks http://HOST/update/... on port 80, over its own HTTP/1.1 exchange: no TLS,
# no port, no credentials, and the paths start at the root of the site.
if(BRIMSEL_VENDOR_BUILD AND NOT DEFINED BRIMSEL_VENDOR_SITE_URL)
  message(FATAL_ERROR "BRIMSEL_VENDOR_SITE_URL: a vendor's build needs the site, http://HOST "
                      "(scripts/build.sh --vendor URL)")
endif()
set(BRIMSEL_VENDOR_SITE_URL "http://127.0.0.1" CACHE STRING "Vendor site URL: http://HOST, port 80, no path")

function(brimsel_check_site_url url)
  set(variable BRIMSEL_VENDOR_SITE_URL)
  string(TOLOWER "${url}" lower)
  if(lower MATCHES "^https://")
    brimsel_refuse_setting(${variable} "'${url}' is https: the updater speaks plain HTTP on port 80 only; give http://HOST")
  endif()
  if(NOT lower MATCHES "^http://")
    brimsel_refuse_setting(${variable} "'${url}' does not begin with http://; give http://HOST")
  endif()
  string(SUBSTRING "${url}" 7 -1 rest)
  if(rest MATCHES "^([^/?#]*)(.*)$")
    set(authority "${CMAKE_MATCH_1}")
    set(path "${CMAKE_MATCH_2}")
  endif()
  if(authority MATCHES "@")
    brimsel_refuse_setting(${variable} "'${url}' names a user: the updater sends no credentials; give http://HOST")
  endif()
  if(authority MATCHES ":")
    brimsel_refuse_setting(${variable} "'${url}' names a port: the updater downloads from port 80 only; give http://HOST")
  endif()
  if(NOT path STREQUAL "")
    brimsel_refuse_setting(${variable} "'${url}' has a path ('${path}'): the updater asks HOST/update/... at the "
                                       "root of the site; give http://HOST, without a trailing slash")
  endif()
  if(NOT authority MATCHES "^[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?$")
    brimsel_refuse_setting(${variable} "'${url}' has no host name of letters, digits, '-' and '.'; give http://HOST")
  endif()
endfunction()
brimsel_check_site_url("${BRIMSEL_VENDOR_SITE_URL}")

# --- the key ------------------------------------------------------------------------------
# vendor.pub of updtool keygen: 64 hex digits. With it update.exe installs only packages
# signed with the matching secret key; without it, whatever the site (or anyone between the
# site and the user) serves.
set(BRIMSEL_VENDOR_PUBLIC_KEY "" CACHE STRING "Vendor public key for signed releases (empty: none)")
if(NOT BRIMSEL_VENDOR_PUBLIC_KEY STREQUAL "" AND NOT BRIMSEL_VENDOR_PUBLIC_KEY MATCHES "^[0-9A-Fa-f]+$")
  brimsel_refuse_setting(BRIMSEL_VENDOR_PUBLIC_KEY "'${BRIMSEL_VENDOR_PUBLIC_KEY}' is not the 64 hex digits of vendor.pub (updtool keygen)")
endif()
string(LENGTH "${BRIMSEL_VENDOR_PUBLIC_KEY}" brimsel_key_length)
if(NOT brimsel_key_length EQUAL 0 AND NOT brimsel_key_length EQUAL 64)
  brimsel_refuse_setting(BRIMSEL_VENDOR_PUBLIC_KEY "${brimsel_key_length} hex digits, not the 64 of vendor.pub (updtool keygen)")
endif()
if(BRIMSEL_VENDOR_BUILD)
  if(brimsel_key_length EQUAL 0 AND NOT BRIMSEL_VENDOR_UNSIGNED)
    message(FATAL_ERROR
      "A vendor's build needs the vendor's public key. An updater without one installs whatever a man in the "
      "middle serves in place of the site. Either give the key (--key vendor.pub, or "
      "-DBRIMSEL_VENDOR_PUBLIC_KEY=$(cat vendor.pub); updtool keygen makes the pair), or pass --unsigned to build "
      "such an updater anyway.")
  endif()
  if(NOT brimsel_key_length EQUAL 0 AND BRIMSEL_VENDOR_UNSIGNED)
    unset(BRIMSEL_VENDOR_UNSIGNED CACHE)
    brimsel_refuse_setting(BRIMSEL_VENDOR_PUBLIC_KEY "a key and --unsigned at once: give one of them")
  endif()
  # What is shipped carries no symbol tables: a third of the size of the Windows update.exe.
  add_link_options(-s)
endif()
