#include "net/fetch_page.h"

#include <algorithm>
#include <array>

#include "platform/exception.h"
#include "platform/internet.h"
#include "platform/pump.h"

namespace brimsel {

std::string NormalizeUrl(const std::string& url) {
  static constexpr std::string_view kScheme = "HTTP://";
  const bool hasScheme =
      url.size() >= kScheme.size() && std::equal(kScheme.begin(), kScheme.end(), url.begin(), [](char want, char c) {
        return want == ((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
      });
  return hasScheme ? url : "http://" + url;
}

std::string FetchPage(const std::string& url) { return FetchPageReporting(url).body; }

std::string DescribeFetch(const PageFetch& fetch) {
  if (fetch.status == 0) return "no reply (" + fetch.error + ")";
  std::string text = "status " + std::to_string(fetch.status) + ", " + std::to_string(fetch.body.size()) + " bytes";
  return fetch.error.empty() ? text : text + " (" + fetch.error + ")";
}

PageFetch FetchPageReporting(const std::string& url, const bool* cancelFlag) {
  using namespace platform;
  PageFetch fetch;
  std::string& result = fetch.body;
  if (url.empty()) {
    fetch.error = "no URL";
    return fetch;
  }

  HInternetSession internet = InternetOpenA(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (!internet) throw Exception(InternetLastErrorText());
  InternetSetCancelFlag(*internet, cancelFlag);

  // Declared after the Internet handle, so that it is closed first on every path.
  HInternetUrl page = InternetOpenUrlA(*internet, NormalizeUrl(url), nullptr, 0, INTERNET_FLAG_RAW_DATA, 0);
  if (!page) {
    fetch.error = InternetLastUrlErrorText();
    return fetch;
  }
  fetch.status = HttpStatusCode(*page);

  const auto cancelled = [cancelFlag] { return cancelFlag != nullptr && *cancelFlag; };
  std::array<char, 1024> buffer;
  unsigned count = 0;
  do {
    buffer.fill(0);
    const auto room = static_cast<unsigned>(std::min<std::size_t>(buffer.size(), kMaxPageSize - result.size()));
    InternetReadFile(*page, buffer.data(), room, &count);
    if (count > 0) result.append(buffer.data(), count);
    ProcessMessages();
  } while (count > 0 && result.size() < kMaxPageSize && !cancelled());

  fetch.error = InternetReadErrorText(*page);
  if (result.size() >= kMaxPageSize) fetch.error = "the reply was cut at " + std::to_string(kMaxPageSize) + " bytes";
  if (cancelled()) fetch.error = "cancelled";
  InternetCloseHandle(page);
  InternetCloseHandle(internet);
  return fetch;
}

}  // namespace brimsel
