#pragma once
// libcurl, loaded by the first fetch rather than when the program starts. Linked in, it
// and what it pulls with it (two TLS libraries, Kerberos, LDAP, SSH) cost every start of
// every program here about 3 ms of linking, and most runs never fetch a page.

#include <curl/curl.h>

#include <string>

namespace brimsel::platform {

struct CurlLibrary {
  decltype(&curl_global_init) global_init;
  decltype(&curl_easy_init) easy_init;
  decltype(&curl_easy_setopt) easy_setopt;
  decltype(&curl_easy_getinfo) easy_getinfo;
  decltype(&curl_easy_strerror) easy_strerror;
  decltype(&curl_easy_cleanup) easy_cleanup;
  decltype(&curl_multi_init) multi_init;
  decltype(&curl_multi_add_handle) multi_add_handle;
  decltype(&curl_multi_remove_handle) multi_remove_handle;
  decltype(&curl_multi_perform) multi_perform;
  decltype(&curl_multi_poll) multi_poll;
  decltype(&curl_multi_info_read) multi_info_read;
  decltype(&curl_multi_cleanup) multi_cleanup;
  decltype(&curl_slist_append) slist_append;
  decltype(&curl_slist_free_all) slist_free_all;
};

// The library, loaded and globally initialised at the first call; nothing when it cannot
// be, and then CurlLoadErrorText says why.
const CurlLibrary* Curl();
std::string CurlLoadErrorText();

}  // namespace brimsel::platform
