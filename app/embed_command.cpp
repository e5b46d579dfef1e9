#include "embed_command.h"

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "data_folder.h"
#include "models/modern_bert_embedder.h"

namespace quorvale {
namespace {

// The model this version of Quorvale expects, and the token limit the engine embeds with.
constexpr const char* kModelID = "quorvale-embed-1";
constexpr int kMaxTokens = 256;

}  // namespace

std::string installedModelFolder() {
  return dataFolder().value_or("") + "/Models/" + kModelID + "/model";
}

int embedCommand(const std::string& text) {
  namespace fs = std::filesystem;
  std::string folder = installedModelFolder();
  std::error_code error;
  bool installed = fs::is_regular_file(fs::path(folder).parent_path() / "installed.json", error) &&
                   fs::is_directory(folder, error);
  if (!installed) {
    std::fprintf(stderr, "quorvale: no model is installed (expected in %s)\n", folder.c_str());
    return 1;
  }
  try {
    ModernBertEmbedder encoder(folder, kMaxTokens);
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
