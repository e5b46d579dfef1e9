// Feeds arbitrary bytes to the clips.json decoder: it must either refuse them with ClipStoreError
// or yield a history that encodes and decodes back to the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "clipboard/clip_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  quorvale::ClipStore store;
  try {
    store = quorvale::ClipStore::fromJson(bytes);
  } catch (const quorvale::ClipStoreError&) {
    return 0;
  }
  quorvale::ClipStore again = quorvale::ClipStore::fromJson(store.toJson());
  if (again.items().size() != store.items().size()) std::abort();
  store.search("a b", 8);
  store.prune(std::chrono::system_clock::now(), quorvale::ClipPolicy());
  return 0;
}
