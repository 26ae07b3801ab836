#include "platform/internet.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/codepage.h"
#include "platform/posix/curl_library.h"
#include "platform/pump.h"

namespace brimsel::platform {
namespace {

// The system's texts for the two ways InternetOpenA can fail here.
// 存储空间不足，无法处理此命令。
constexpr char kNotEnoughMemoryText[] =
    "\xB4\xE6\xB4\xA2\xBF\xD5\xBC\xE4\xB2\xBB\xD7\xE3\xA3\xAC\xCE\xDE\xB7\xA8\xB4\xA6\xC0\xED\xB4\xCB\xC3\xFC\xC1"
    "\xEE\xA1\xA3";
// 参数错误。
constexpr char kInvalidParameterText[] = "\xB2\xCE\xCA\xFD\xB4\xED\xCE\xF3\xA1\xA3";

thread_local std::string lastErrorText;
thread_local std::string lastUrlErrorText;


struct MultiCleanup {
  void operator()(CURLM* multi) const { Curl()->multi_cleanup(multi); }
};
struct EasyCleanup {
  void operator()(CURL* easy) const { Curl()->easy_cleanup(easy); }
};
struct SlistCleanup {
  void operator()(curl_slist* list) const { Curl()->slist_free_all(list); }
};

}  // namespace

class InternetSession {
 public:
  explicit InternetSession(CURLM* multi) : multi_(multi, MultiCleanup{}) {}
  // Shared with the URL handles, so that closing them in any order is safe.
  const std::shared_ptr<CURLM>& Multi() const { return multi_; }

 private:
  std::shared_ptr<CURLM> multi_;
};

class InternetUrl {
 public:
  explicit InternetUrl(std::shared_ptr<CURLM> multi) : multi_(std::move(multi)), easy_(Curl()->easy_init()) {}
  ~InternetUrl() {
    if (added_) Curl()->multi_remove_handle(multi_.get(), easy_.get());
  }
  InternetUrl(const InternetUrl&) = delete;
  InternetUrl& operator=(const InternetUrl&) = delete;

  bool Valid() const { return easy_ != nullptr; }
  bool Configure(std::string_view url, const char* headers, unsigned headersLength);
  bool Start() {
    added_ = Curl()->multi_add_handle(multi_.get(), easy_.get()) == CURLM_OK;
    return added_;
  }

  // The reply is open once the headers of the final response have come, or the exchange
  // has ended well (a reply that curl does not follow further, a body-less reply).
  bool Opened() const { return headersDone_ || (done_ && result_ == CURLE_OK); }
  bool HasPending() const { return pendingStart_ < pending_.size(); }
  bool Done() const { return done_; }
  bool Succeeded() const { return result_ == CURLE_OK; }
  long Status() const { return blockStatus_; }
  // The library's own words for the failure, with its detail when it gave one.
  std::string ErrorText() const {
    std::string text = Curl()->easy_strerror(result_);
    if (errorBuffer_[0] != '\0') text += std::string(": ") + errorBuffer_;
    return text;
  }

  // Runs the exchange until `ready` holds or it has ended, pumping messages in between.
  template <typename Ready>
  void RunUntil(Ready ready);

  std::size_t TakePending(void* buffer, std::size_t count) {
    const std::size_t n = std::min(count, pending_.size() - pendingStart_);
    std::memcpy(buffer, pending_.data() + pendingStart_, n);
    pendingStart_ += n;
    if (pendingStart_ == pending_.size()) {
      pending_.clear();
      pendingStart_ = 0;
    }
    return n;
  }

 private:
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  void CollectFinished();

  std::shared_ptr<CURLM> multi_;  // declared first: it outlives the easy handle
  std::unique_ptr<CURL, EasyCleanup> easy_;
  std::unique_ptr<curl_slist, SlistCleanup> headers_;
  bool added_ = false;

  std::string pending_;  // body bytes received and not read yet
  std::size_t pendingStart_ = 0;

  long blockStatus_ = 0;       // status of the response whose headers are arriving
  bool blockHasLocation_ = false;
  bool headersDone_ = false;
  bool done_ = false;
  CURLcode result_ = CURLE_OK;
  char errorBuffer_[CURL_ERROR_SIZE] = {};
};

void InternetSessionCloser::operator()(InternetSession* session) const {
  std::default_delete<InternetSession>()(session);
}
void InternetUrlCloser::operator()(InternetUrl* url) const { std::default_delete<InternetUrl>()(url); }

namespace {
// A handle that owns a new object from the start.
template <typename Handle, typename Object, typename... Args>
Handle MakeHandle(Args&&... args) {
  return Handle(std::make_unique<Object>(std::forward<Args>(args)...).release());
}
}  // namespace

bool InternetUrl::Configure(std::string_view url, const char* headers, unsigned headersLength) {
  CURL* easy = easy_.get();
  const std::string urlText(url);
  bool ok = Curl()->easy_setopt(easy, CURLOPT_URL, urlText.c_str()) == CURLE_OK;
  // Straight to the server, whatever http_proxy and friends say.
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_PROXY, "") == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_NOPROXY, "*") == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_MAXREDIRS, 10L) == CURLE_OK;
  // Pages only: a redirect must not lead to a local file or another protocol.
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs) == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_TIMEOUT_MS, kTransferTimeoutMs) == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_WRITEFUNCTION, &InternetUrl::OnBody) == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_WRITEDATA, this) == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_HEADERFUNCTION, &InternetUrl::OnHeader) == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_HEADERDATA, this) == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_PRIVATE, this) == CURLE_OK;
  ok = ok && Curl()->easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_) == CURLE_OK;
  if (!ok) return false;

  if (headers != nullptr) {
    const std::string_view all(headers, headersLength != 0 ? headersLength : std::strlen(headers));
    curl_slist* list = nullptr;
    std::size_t start = 0;
    while (start < all.size()) {
      std::size_t end = all.find("\r\n", start);
      if (end == std::string_view::npos) end = all.size();
      if (end > start) {
        curl_slist* grown = Curl()->slist_append(list, std::string(all.substr(start, end - start)).c_str());
        if (grown == nullptr) {
          Curl()->slist_free_all(list);
          return false;
        }
        list = grown;
      }
      start = end + 2;
    }
    headers_.reset(list);
    if (list != nullptr && Curl()->easy_setopt(easy, CURLOPT_HTTPHEADER, list) != CURLE_OK) return false;
  }
  return true;
}

std::size_t InternetUrl::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto* url = static_cast<InternetUrl*>(self);
  url->pending_.append(data, size * count);
  return size * count;
}

std::size_t InternetUrl::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto* url = static_cast<InternetUrl*>(self);
  const std::string_view line(data, size * count);
  if (StartsWithIgnoringCase(line, "HTTP/")) {
    // A status line starts the headers of a new response (after a redirect or a 100).
    const std::size_t blank = line.find(' ');
    long status = 0;
    for (std::size_t i = blank == std::string_view::npos ? line.size() : blank + 1;
         i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
      status = status * 10 + (line[i] - '0');
    }
    url->blockStatus_ = status;
    url->blockHasLocation_ = false;
  } else if (StartsWithIgnoringCase(line, "Location:")) {
    url->blockHasLocation_ = true;
  } else if (line == "\r\n" || line == "\n") {
    const bool interim = url->blockStatus_ >= 100 && url->blockStatus_ < 200;
    const bool redirect = url->blockStatus_ >= 300 && url->blockStatus_ < 400 && url->blockHasLocation_;
    if (!interim && !redirect) url->headersDone_ = true;
  }
  return size * count;
}

void InternetUrl::CollectFinished() {
  int left = 0;
  while (CURLMsg* message = Curl()->multi_info_read(multi_.get(), &left)) {
    if (message->msg != CURLMSG_DONE) continue;
    void* owner = nullptr;
    Curl()->easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
    if (owner == nullptr) continue;
    auto* url = static_cast<InternetUrl*>(owner);
    url->done_ = true;
    url->result_ = message->data.result;
  }
}

template <typename Ready>
void InternetUrl::RunUntil(Ready ready) {
  while (!ready() && !done_) {
    int running = 0;
    if (Curl()->multi_perform(multi_.get(), &running) != CURLM_OK) {
      done_ = true;
      result_ = CURLE_FAILED_INIT;
      return;
    }
    CollectFinished();
    if (ready() || done_) return;
    // Wait for the socket at most one pump interval, then let the window breathe.
    Curl()->multi_poll(multi_.get(), nullptr, 0, kPumpIntervalMs, nullptr);
    ProcessMessages();
  }
}

HInternetSession InternetOpenA(const char* /*agent*/, unsigned accessType, const char* proxyName,
                               const char* /*proxyBypass*/, unsigned /*flags*/) {
  if (accessType != INTERNET_OPEN_TYPE_DIRECT || proxyName != nullptr) {
    lastErrorText = kInvalidParameterText;
    return nullptr;
  }
  if (Curl() == nullptr) {
    lastErrorText = CurlLoadErrorText();
    return nullptr;
  }
  CURLM* multi = Curl()->multi_init();
  if (multi == nullptr) {
    lastErrorText = kNotEnoughMemoryText;
    return nullptr;
  }
  return MakeHandle<HInternetSession, InternetSession>(multi);
}

HInternetUrl InternetOpenUrlA(InternetSession& session, std::string_view url, const char* headers,
                              unsigned headersLength, unsigned /*flags*/, std::uintptr_t /*context*/) {
  HInternetUrl handle = MakeHandle<HInternetUrl, InternetUrl>(session.Multi());
  lastUrlErrorText.clear();
  if (!handle->Valid() || !handle->Configure(url, headers, headersLength) || !handle->Start()) {
    lastUrlErrorText = "the request could not be set up";
    return nullptr;
  }
  handle->RunUntil([&] { return handle->Opened(); });
  if (!handle->Opened()) {
    lastUrlErrorText = handle->ErrorText();
    return nullptr;
  }
  return handle;
}

bool InternetReadFile(InternetUrl& url, void* buffer, unsigned toRead, unsigned* read) {
  *read = 0;
  if (toRead == 0) return true;
  url.RunUntil([&] { return url.HasPending(); });
  if (url.HasPending()) {
    *read = static_cast<unsigned>(url.TakePending(buffer, toRead));
    return true;
  }
  return url.Succeeded();
}

void InternetCloseHandle(HInternetUrl& url) { url.reset(); }
void InternetCloseHandle(HInternetSession& session) { session.reset(); }

std::string InternetLastErrorText() { return lastErrorText; }
std::string InternetLastUrlErrorText() { return lastUrlErrorText; }
long HttpStatusCode(const InternetUrl& url) { return url.Status(); }
std::string InternetReadErrorText(const InternetUrl& url) { return url.Succeeded() ? "" : url.ErrorText(); }

}  // namespace brimsel::platform
