#include "scan/guarded_extractor.h"

#include "scan/office_text.h"

namespace quorvale {

std::optional<std::string> GuardedExtractor::text(const std::string& path, const std::string& ext,
                                                  int64_t size) const {
  if (ext != "pdf" && !OfficeText::extensions().contains(ext)) return inner_.text(path, ext, size);
  // The work may outlive this call when it overruns the limit, so it owns copies of everything.
  return guard_.run(path, kTimeLimit,
                    [inner = inner_, path, ext, size] { return inner.text(path, ext, size); });
}

}  // namespace quorvale
