// Reading named members out of a zip archive in-process with libzip, with a cap on the bytes
// taken and on the time spent per member, so that a member that inflates to gigabytes (a zip
// bomb) costs at most the cap. Owns the open archive; used on one thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

struct zip;  // libzip's archive handle (zip_t)

namespace quorvale {

class ZipParts {
 public:
  // The archive behind an open descriptor, which stays the caller's; nothing when it is not a
  // readable zip archive.
  static std::optional<ZipParts> open(int fd);

  // Up to `limit` bytes of the member's uncompressed content, less when `timeout` passes first
  // or the data turn out damaged; nothing when there is no such member or it cannot be opened
  // (an encrypted member, an unsupported compression method).
  std::optional<std::string> read(const std::string& name, std::size_t limit,
                                  std::chrono::duration<double> timeout) const;

 private:
  struct Discard {
    void operator()(struct zip* archive) const;
  };
  explicit ZipParts(struct zip* archive) : archive_(archive) {}

  std::unique_ptr<struct zip, Discard> archive_;
};

}  // namespace quorvale
