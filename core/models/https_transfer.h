// HTTPS transfers for model downloads over libcurl: a small body into memory (the manifest) or a
// large file onto disk with progress. Nothing is cached and no cookies are kept between
// transfers; only https is spoken, redirects included. Connecting may take at most
// `connectTimeout`, and a transfer that moves less than one byte per second for `stallTimeout`
// is abandoned, so a large download is bounded by its progress rather than its total time; a
// small `get` also ends after `stallTimeout` in all.
//
// Each call is independent and blocks its thread; call from a background thread. The progress
// callback runs on that thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quorvale {

struct HttpsOptions {
  std::chrono::seconds connectTimeout{60};
  std::chrono::seconds stallTimeout{60};
  // Certificates to trust instead of the system's (a test's own authority); empty for the system.
  std::string caFile{};
  // Whether metered connections may be used. Linux offers no per-transfer switch for this, so it
  // is recorded only; the desktop's network settings decide.
  bool allowsExpensiveNetwork = false;
};

struct HttpsProgress {
  // Bytes received so far and the total the server announced (0 when unknown).
  std::function<void(std::uint64_t received, std::uint64_t total)> report{};
  // Checked while the transfer runs; once true, the transfer stops with ModelInstallCancelled.
  const std::atomic<bool>* cancel = nullptr;
};

namespace https {

// The body of a GET, at most `limit` bytes. Throws ModelError (network) for a transfer error
// ("the server answered 404" for a status outside 200-299, or curl's description), and for a
// body over the limit; ModelInstallCancelled once `cancel` is set.
std::string get(const std::string& url, const HttpsOptions& options, std::size_t limit,
                const std::atomic<bool>* cancel = nullptr);

// Writes the body of a GET into `path` (created or truncated). Throws as `get`, and
// ModelInstallCancelled when cancelled; the file may then hold part of the body.
void download(const std::string& url, const std::string& path, const HttpsOptions& options,
              const HttpsProgress& progress);

struct UrlParts {
  std::string scheme;  // lower case
  std::string host;    // lower case, without brackets or port
  std::string path;    // "/" when the address has none
};
// The parts of an absolute address; nothing when it does not parse.
std::optional<UrlParts> parseUrl(const std::string& url);

}  // namespace https
}  // namespace quorvale
