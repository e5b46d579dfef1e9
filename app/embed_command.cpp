#include "embed_command.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "model_setup.h"
#include "models/modern_bert_embedder.h"

namespace quorvale {

std::optional<std::string> installedModelFolder() {
  auto store = model_setup::standardStore();
  if (!store) return std::nullopt;
  return store->installedPayload(ModelCatalog::modelID);
}

int embedCommand(const std::string& text) {
  auto store = model_setup::standardStore();
  if (!store) {
    std::fprintf(stderr, "quorvale: the data folder cannot be used, so no model can be found\n");
    return 1;
  }
  auto folder = store->installedPayload(ModelCatalog::modelID);
  if (!folder) {
    std::fprintf(stderr, "quorvale: no model is installed (install one with --install-model)\n");
    return 1;
  }
  try {
    ModernBertEmbedder encoder(*folder, ModelCatalog::kMaxTokens);
    auto vector = encoder.embed(text);
    if (!vector) {
      std::fprintf(stderr, "quorvale: the text has nothing to embed\n");
      return 1;
    }
    std::printf("%s\n", nlohmann::json(*vector).dump().c_str());
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "quorvale: the model could not be loaded: %s\n", failure.what());
    return 1;
  }
}

}  // namespace quorvale
