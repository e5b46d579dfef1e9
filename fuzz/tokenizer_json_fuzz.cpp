// Feeds arbitrary bytes to the tokenizer as its tokenizer.json. It must refuse them with
// BPETokenizer::Failure or load a tokenizer that encodes texts without failing, framing every
// result between its classification and separator ids within the length limit.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "models/bpe_tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/quorvale-tokenizer-fuzz-" + std::to_string(getpid());
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  try {
    quorvale::BPETokenizer tokenizer(path);
    for (const char* text : {"", "Hello  world, don't 12345!", "[CLS] a  [MASK] caf\xc3\xa9",
                             "\xff\xfe broken", "\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x91\x8d\n\n"}) {
      auto ids = tokenizer.encode(text, 16);
      if (ids.size() > 16 || ids.front() != tokenizer.clsID() || ids.back() != tokenizer.sepID()) {
        std::abort();
      }
    }
  } catch (const quorvale::BPETokenizer::Failure&) {
  }
  return 0;
}
