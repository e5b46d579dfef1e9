// Stand-in until the real extractor lands: the first 6000 bytes of text files by extension.
#include "scan/bench_extractor.h"

#include <fstream>
#include <set>

namespace quorvale::bench {
namespace {

class TextPrefixExtractor : public ContentExtractor {
 public:
  std::optional<std::string> text(const std::string& path, const std::string& ext,
                                  int64_t size) const override {
    static const std::set<std::string> kText = {"txt", "md", "log", "csv", "json", "yaml", "html",
                                                "css", "py",  "js",  "ts",  "cpp",  "h",    "rs",
                                                "go",  "sh",  "toml"};
    if (!kText.contains(ext) || size > 4000000) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string buffer(6000, '\0');
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    buffer.resize(static_cast<std::size_t>(in.gcount()));
    if (buffer.empty()) return std::nullopt;
    return buffer;
  }
};

}  // namespace

std::unique_ptr<ContentExtractor> benchExtractor() { return std::make_unique<TextPrefixExtractor>(); }

}  // namespace quorvale::bench
