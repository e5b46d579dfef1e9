#include "models/model_store.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "util/atomic_file.h"
#include "util/iso_date.h"

namespace quorvale {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

std::optional<std::string> readSmallFile(const std::string& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error) || fs::file_size(path, error) > 65536) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::optional<ModelStore::Installed> decode(const std::string& bytes) {
  Json object = Json::parse(bytes, nullptr, false);
  if (!object.is_object()) return std::nullopt;
  auto string = [&](const char* key) -> const Json* {
    auto found = object.find(key);
    return found != object.end() && found->is_string() ? &*found : nullptr;
  };
  auto integer = [&](const char* key) -> const Json* {
    auto found = object.find(key);
    return found != object.end() && found->is_number_integer() ? &*found : nullptr;
  };
  const Json* id = string("id");
  const Json* version = string("version");
  const Json* size = integer("sizeBytes");
  const Json* dimension = integer("dimension");
  const Json* date = string("installedAt");
  if (!id || !version || !size || !dimension || !date) return std::nullopt;
  auto installedAt = iso_date::parse(date->get<std::string>());
  if (!installedAt) return std::nullopt;
  return ModelStore::Installed{.id = id->get<std::string>(),
                               .version = version->get<std::string>(),
                               .sizeBytes = size->get<std::int64_t>(),
                               .dimension = dimension->get<std::int64_t>(),
                               .installedAt = *installedAt};
}

}  // namespace

std::string ModelStore::folder(const std::string& id) const {
  return root_ + "/" + id;
}

std::string ModelStore::payload(const std::string& id) const {
  return folder(id) + "/model";
}

std::optional<ModelStore::Installed> ModelStore::installed(const std::string& id) const {
  auto bytes = readSmallFile(folder(id) + "/installed.json");
  if (!bytes) return std::nullopt;
  auto record = decode(*bytes);
  std::error_code error;
  if (!record || record->id != id || !fs::is_directory(payload(id), error)) return std::nullopt;
  return record;
}

std::optional<std::string> ModelStore::installedPayload(const std::string& id) const {
  if (!installed(id)) return std::nullopt;
  return payload(id);
}

void ModelStore::record(Installed record, std::chrono::system_clock::time_point now) const {
  record.installedAt = now;
  Json object = {{"id", record.id},
                 {"version", record.version},
                 {"sizeBytes", record.sizeBytes},
                 {"dimension", record.dimension},
                 {"installedAt", iso_date::format(now)}};
  writeFileAtomically(folder(record.id) + "/installed.json", object.dump(2) + "\n");
}

std::uint64_t ModelStore::diskUsage() const {
  std::uint64_t total = 0;
  std::error_code error;
  for (fs::recursive_directory_iterator it(root_, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code sizeError;
    if (it->is_regular_file(sizeError) && !it->is_symlink(sizeError)) {
      std::uintmax_t size = it->file_size(sizeError);
      if (!sizeError) total += size;
    }
  }
  return total;
}

void ModelStore::remove(const std::string& id) const {
  fs::remove_all(folder(id));
}

}  // namespace quorvale
