#include "models/https_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <mutex>

#include "models/model_error.h"
#include "util/shared_library.h"
#include "util/unicode.h"

namespace quorvale::https {
namespace {

// libcurl, opened on the first transfer: only installing a model talks to the network, and
// loading libcurl with its TLS, LDAP and SSH libraries at every start would slow every process.
struct CurlLibrary {
  decltype(&::curl_easy_cleanup) easyCleanup = nullptr;
  decltype(&::curl_easy_getinfo) easyGetinfo = nullptr;
  decltype(&::curl_easy_init) easyInit = nullptr;
  decltype(&::curl_easy_perform) easyPerform = nullptr;
  decltype(&::curl_easy_setopt) easySetopt = nullptr;
  decltype(&::curl_easy_strerror) easyStrerror = nullptr;
  decltype(&::curl_free) free = nullptr;
  decltype(&::curl_global_init) globalInit = nullptr;
  decltype(&::curl_url) url = nullptr;
  decltype(&::curl_url_cleanup) urlCleanup = nullptr;
  decltype(&::curl_url_get) urlGet = nullptr;
  decltype(&::curl_url_set) urlSet = nullptr;
};

CurlLibrary loadCurl() {
  static const SharedLibrary library({"libcurl.so.4", "libcurl.so"});
  CurlLibrary found;
  bool complete = library.resolve(found.easyCleanup, "curl_easy_cleanup") &&
                  library.resolve(found.easyGetinfo, "curl_easy_getinfo") &&
                  library.resolve(found.easyInit, "curl_easy_init") &&
                  library.resolve(found.easyPerform, "curl_easy_perform") &&
                  library.resolve(found.easySetopt, "curl_easy_setopt") &&
                  library.resolve(found.easyStrerror, "curl_easy_strerror") &&
                  library.resolve(found.free, "curl_free") &&
                  library.resolve(found.globalInit, "curl_global_init") &&
                  library.resolve(found.url, "curl_url") &&
                  library.resolve(found.urlCleanup, "curl_url_cleanup") &&
                  library.resolve(found.urlGet, "curl_url_get") &&
                  library.resolve(found.urlSet, "curl_url_set");
  if (!complete) throw ModelError::network("the network library (libcurl) could not be loaded");
  return found;
}

const CurlLibrary& curl() {
  static const CurlLibrary loaded = loadCurl();
  return loaded;
}

struct CurlFree {
  void operator()(CURL* handle) const { curl().easyCleanup(handle); }
};
struct UrlFree {
  void operator()(CURLU* url) const { curl().urlCleanup(url); }
};
struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using Curl = std::unique_ptr<CURL, CurlFree>;

Curl newHandle() {
  static std::once_flag initialised;
  std::call_once(initialised, [] { curl().globalInit(CURL_GLOBAL_DEFAULT); });
  Curl handle(curl().easyInit());
  if (!handle) throw ModelError::network("the transfer could not be started");
  return handle;
}

// What every transfer shares: https only (redirects too), the time limits, no signals (the
// caller's thread is not the main one), and the test authority when one is given.
void configure(CURL* handle, const std::string& url, const HttpsOptions& options) {
  curl().easySetopt(handle, CURLOPT_URL, url.c_str());
  curl().easySetopt(handle, CURLOPT_PROTOCOLS_STR, "https");
  curl().easySetopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  curl().easySetopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl().easySetopt(handle, CURLOPT_MAXREDIRS, 5L);
  curl().easySetopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl().easySetopt(handle, CURLOPT_CONNECTTIMEOUT,
                    static_cast<long>(options.connectTimeout.count()));
  curl().easySetopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl().easySetopt(handle, CURLOPT_LOW_SPEED_TIME,
                    static_cast<long>(options.stallTimeout.count()));
  curl().easySetopt(handle, CURLOPT_USERAGENT, "Quorvale");
  if (!options.caFile.empty()) curl().easySetopt(handle, CURLOPT_CAINFO, options.caFile.c_str());
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
  curl().easySetopt(handle, CURLOPT_WRITEFUNCTION, receive);
  curl().easySetopt(handle, CURLOPT_WRITEDATA, &transfer);
  curl().easySetopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl().easySetopt(handle, CURLOPT_XFERINFOFUNCTION, onProgress);
  curl().easySetopt(handle, CURLOPT_XFERINFODATA, &transfer);
  CURLcode code = curl().easyPerform(handle);
  if (transfer.cancelled) throw ModelInstallCancelled();
  if (transfer.overLimit) throw ModelError::network("the answer was too large");
  if (code != CURLE_OK) throw ModelError::network(curl().easyStrerror(code));
  long status = 0;
  curl().easyGetinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  if (status < 200 || status > 299) {
    throw ModelError::network("the server answered " + std::to_string(status));
  }
}

std::optional<std::string> part(CURLU* url, CURLUPart which) {
  char* text = nullptr;
  if (curl().urlGet(url, which, &text, 0) != CURLUE_OK || text == nullptr) return std::nullopt;
  std::string copy(text);
  curl().free(text);
  return copy;
}

}  // namespace

std::string get(const std::string& url, const HttpsOptions& options, std::size_t limit,
                const std::atomic<bool>* cancel) {
  Curl handle = newHandle();
  configure(handle.get(), url, options);
  // A small answer has no reason to take longer than a stalled transfer may.
  curl().easySetopt(handle.get(), CURLOPT_TIMEOUT, static_cast<long>(options.stallTimeout.count()));
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
  std::unique_ptr<CURLU, UrlFree> parsed(curl().url());
  if (!parsed || curl().urlSet(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
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
