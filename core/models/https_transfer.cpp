#include "models/https_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <mutex>

#include "models/model_error.h"
#include "util/unicode.h"

namespace quorvale::https {
namespace {

struct CurlFree {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct UrlFree {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using Curl = std::unique_ptr<CURL, CurlFree>;

Curl newHandle() {
  static std::once_flag initialised;
  std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  Curl handle(curl_easy_init());
  if (!handle) throw ModelError::network("the transfer could not be started");
  return handle;
}

// What every transfer shares: https only (redirects too), the time limits, no signals (the
// caller's thread is not the main one), and the test authority when one is given.
void configure(CURL* handle, const std::string& url, const HttpsOptions& options) {
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT,
                   static_cast<long>(options.connectTimeout.count()));
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, static_cast<long>(options.stallTimeout.count()));
  curl_easy_setopt(handle, CURLOPT_USERAGENT, "Quorvale");
  if (!options.caFile.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, options.caFile.c_str());
}

struct Transfer {
  std::string* body = nullptr;  // in memory, up to `limit`
  std::size_t limit = 0;
  bool overLimit = false;
  std::FILE* file = nullptr;  // or onto disk
  const HttpsProgress* progress = nullptr;
  bool cancelled = false;
};

std::size_t receive(char* data, std::size_t size, std::size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  std::size_t bytes = size * count;
  if (transfer->file != nullptr) return std::fwrite(data, 1, bytes, transfer->file);
  if (transfer->body->size() + bytes > transfer->limit) {
    transfer->overLimit = true;
    return 0;
  }
  transfer->body->append(data, bytes);
  return bytes;
}

int onProgress(void* context, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(context);
  const HttpsProgress* progress = transfer->progress;
  if (progress == nullptr) return 0;
  if (progress->cancel != nullptr && progress->cancel->load()) {
    transfer->cancelled = true;
    return 1;
  }
  if (progress->report) {
    progress->report(static_cast<std::uint64_t>(std::max<curl_off_t>(received, 0)),
                     static_cast<std::uint64_t>(std::max<curl_off_t>(total, 0)));
  }
  return 0;
}

void perform(CURL* handle, Transfer& transfer) {
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, receive);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, onProgress);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
  CURLcode code = curl_easy_perform(handle);
  if (transfer.cancelled) throw ModelInstallCancelled();
  if (transfer.overLimit) throw ModelError::network("the answer was too large");
  if (code != CURLE_OK) throw ModelError::network(curl_easy_strerror(code));
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  if (status < 200 || status > 299) {
    throw ModelError::network("the server answered " + std::to_string(status));
  }
}

std::optional<std::string> part(CURLU* url, CURLUPart which) {
  char* text = nullptr;
  if (curl_url_get(url, which, &text, 0) != CURLUE_OK || text == nullptr) return std::nullopt;
  std::string copy(text);
  curl_free(text);
  return copy;
}

}  // namespace

std::string get(const std::string& url, const HttpsOptions& options, std::size_t limit,
                const std::atomic<bool>* cancel) {
  Curl handle = newHandle();
  configure(handle.get(), url, options);
  // A small answer has no reason to take longer than a stalled transfer may.
  curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT, static_cast<long>(options.stallTimeout.count()));
  std::string body;
  HttpsProgress progress{.report = {}, .cancel = cancel};
  Transfer transfer{.body = &body, .limit = limit, .progress = &progress};
  perform(handle.get(), transfer);
  return body;
}

void download(const std::string& url, const std::string& path, const HttpsOptions& options,
              const HttpsProgress& progress) {
  std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "wbe"));
  if (!file) throw ModelError::installFailed("the download could not be written to " + path);
  Curl handle = newHandle();
  configure(handle.get(), url, options);
  Transfer transfer{.file = file.get(), .progress = &progress};
  perform(handle.get(), transfer);
  if (std::fflush(file.get()) != 0) {
    throw ModelError::installFailed("the download could not be written to " + path);
  }
}

std::optional<UrlParts> parseUrl(const std::string& url) {
  std::unique_ptr<CURLU, UrlFree> parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  auto scheme = part(parsed.get(), CURLUPART_SCHEME);
  auto host = part(parsed.get(), CURLUPART_HOST);
  auto path = part(parsed.get(), CURLUPART_PATH);
  if (!scheme) return std::nullopt;
  std::string bareHost = host.value_or("");
  if (bareHost.size() >= 2 && bareHost.front() == '[' && bareHost.back() == ']') {
    bareHost = bareHost.substr(1, bareHost.size() - 2);
  }
  return UrlParts{.scheme = unicode::asciiLowercased(*scheme),
                  .host = unicode::asciiLowercased(bareHost),
                  .path = path.value_or("/")};
}

}  // namespace quorvale::https
