#include "models/model_manifest.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "models/model_error.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

using Json = nlohmann::json;

const Json& required(const Json& object, const char* key, Json::value_t type) {
  auto found = object.find(key);
  bool integerWanted = type == Json::value_t::number_integer;
  bool matches =
      found != object.end() && (integerWanted ? found->is_number_integer() : found->type() == type);
  if (!matches) {
    throw ModelError::network(std::string("the manifest's \"") + key + "\" is missing or wrong");
  }
  return *found;
}

std::string text(const Json& object, const char* key) {
  return required(object, key, Json::value_t::string).get<std::string>();
}

std::int64_t integer(const Json& object, const char* key) {
  const Json& value = required(object, key, Json::value_t::number_integer);
  // A number beyond the signed range reads as -1, which the range checks reject.
  if (value.is_number_unsigned() && value.get<std::uint64_t>() > INT64_MAX) return -1;
  return value.get<std::int64_t>();
}

}  // namespace

std::string ModelManifest::signedMessage() const {
  return id + "|" + version + "|" + std::to_string(sizeBytes) + "|" +
         unicode::asciiLowercased(sha256);
}

ModelManifest ModelManifest::decode(std::string_view json) {
  Json object = Json::parse(json, nullptr, false);
  if (!object.is_object()) throw ModelError::network("the manifest is not a JSON object");
  return ModelManifest{.id = text(object, "id"),
                       .name = text(object, "name"),
                       .version = text(object, "version"),
                       .sizeBytes = integer(object, "sizeBytes"),
                       .sha256 = text(object, "sha256"),
                       .url = text(object, "url"),
                       .dimension = integer(object, "dimension"),
                       .license = text(object, "license"),
                       .signature = text(object, "signature")};
}

}  // namespace quorvale
