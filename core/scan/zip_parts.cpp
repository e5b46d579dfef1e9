#include "scan/zip_parts.h"

#include <fcntl.h>
#include <zip.h>

#include <algorithm>

#include "util/unique_fd.h"

namespace quorvale {
namespace {

struct CloseMember {
  void operator()(zip_file_t* member) const { zip_fclose(member); }
};
using Member = std::unique_ptr<zip_file_t, CloseMember>;

constexpr std::size_t kChunkSize = 65'536;

}  // namespace

void ZipParts::Discard::operator()(zip_t* archive) const {
  zip_discard(archive);
}

std::optional<ZipParts> ZipParts::open(int fd) {
  // libzip takes over the descriptor it is given, but only when it succeeds.
  UniqueFd copy(fcntl(fd, F_DUPFD_CLOEXEC, 0));
  if (!copy) return std::nullopt;
  int error = 0;
  zip_t* archive = zip_fdopen(copy.get(), ZIP_RDONLY, &error);
  if (archive == nullptr) return std::nullopt;
  copy.release();
  return ZipParts(archive);
}

std::optional<std::string> ZipParts::read(const std::string& name, std::size_t limit,
                                          std::chrono::duration<double> timeout) const {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(timeout);
  Member member(zip_fopen(archive_.get(), name.c_str(), 0));
  if (!member) return std::nullopt;
  std::string content;
  std::string chunk(kChunkSize, '\0');
  while (content.size() < limit && Clock::now() < deadline) {
    zip_int64_t got =
        zip_fread(member.get(), chunk.data(), std::min(kChunkSize, limit - content.size()));
    if (got <= 0) break;
    content.append(chunk.data(), static_cast<std::size_t>(got));
  }
  return content;
}

}  // namespace quorvale
