#include "platform/posix/curl_library.h"

#include <dlfcn.h>

#include <optional>

namespace brimsel::platform {
namespace {

constexpr char kLibraryName[] = "libcurl.so.4";

struct Loaded {
  std::optional<CurlLibrary> library;
  std::string error;
};

template <typename Function>
bool Find(void* handle, const char* name, Function& function, std::string& error) {
  function = reinterpret_cast<Function>(::dlsym(handle, name));
  if (function == nullptr) error = std::string(kLibraryName) + " has no " + name;
  return function != nullptr;
}

Loaded Load() {
  Loaded loaded;
  // Kept loaded for the life of the process, as a linked library would be.
  void* handle = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = ::dlerror();
    loaded.error = why != nullptr ? why : std::string(kLibraryName) + " cannot be loaded";
    return loaded;
  }
  CurlLibrary l{};
  std::string& e = loaded.error;
  const bool all = Find(handle, "curl_global_init", l.global_init, e) &&
                   Find(handle, "curl_easy_init", l.easy_init, e) &&
                   Find(handle, "curl_easy_setopt", l.easy_setopt, e) &&
                   Find(handle, "curl_easy_getinfo", l.easy_getinfo, e) &&
                   Find(handle, "curl_easy_strerror", l.easy_strerror, e) &&
                   Find(handle, "curl_easy_cleanup", l.easy_cleanup, e) &&
                   Find(handle, "curl_multi_init", l.multi_init, e) &&
                   Find(handle, "curl_multi_add_handle", l.multi_add_handle, e) &&
                   Find(handle, "curl_multi_remove_handle", l.multi_remove_handle, e) &&
                   Find(handle, "curl_multi_perform", l.multi_perform, e) &&
                   Find(handle, "curl_multi_poll", l.multi_poll, e) &&
                   Find(handle, "curl_multi_info_read", l.multi_info_read, e) &&
                   Find(handle, "curl_multi_cleanup", l.multi_cleanup, e) &&
                   Find(handle, "curl_slist_append", l.slist_append, e) &&
                   Find(handle, "curl_slist_free_all", l.slist_free_all, e);
  if (!all) return loaded;
  if (l.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    loaded.error = "libcurl could not be initialised";
    return loaded;
  }
  loaded.library = l;
  return loaded;
}

const Loaded& Library() {
  static const Loaded loaded = Load();
  return loaded;
}

}  // namespace

const CurlLibrary* Curl() {
  const Loaded& loaded = Library();
  return loaded.library ? &*loaded.library : nullptr;
}

std::string CurlLoadErrorText() { return Library().error; }

}  // namespace brimsel::platform
