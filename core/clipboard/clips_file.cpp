// Reading and writing clips.json; the format is described in clip_store.h.
#include <filesystem>
#include <system_error>

#include "clipboard/clip_store.h"
#include "util/atomic_file.h"
#include "util/iso_date.h"
#include "util/unicode.h"
#include "util/uuid.h"
#include "util/whole_file.h"

namespace quorvale {
namespace {

using Json = nlohmann::ordered_json;

struct DecodeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

const Json& required(const Json& object, const char* key, std::size_t index) {
  auto found = object.find(key);
  if (found == object.end()) {
    throw DecodeError("item " + std::to_string(index) + " has no \"" + key + "\"");
  }
  return *found;
}

std::string requiredString(const Json& object, const char* key, std::size_t index) {
  const Json& value = required(object, key, index);
  if (!value.is_string()) {
    throw DecodeError("item " + std::to_string(index) + ": \"" + key + "\" is not a string");
  }
  return value.get<std::string>();
}

ClipItem decodeItem(const Json& json, std::size_t index) {
  if (!json.is_object()) throw DecodeError("item " + std::to_string(index) + " is not an object");
  ClipItem item;
  auto id = uuid::canonical(requiredString(json, "id", index));
  if (!id) throw DecodeError("item " + std::to_string(index) + ": \"id\" is not a UUID");
  item.id = *id;
  item.text = requiredString(json, "text", index);
  auto date = iso_date::parse(requiredString(json, "date", index));
  if (!date)
    throw DecodeError("item " + std::to_string(index) + ": \"date\" is not an ISO 8601 date");
  item.date = *date;
  if (auto source = json.find("sourceBundle"); source != json.end() && !source->is_null()) {
    if (!source->is_string()) {
      throw DecodeError("item " + std::to_string(index) + ": \"sourceBundle\" is not a string");
    }
    item.sourceBundle = source->get<std::string>();
  }
  const Json& pinned = required(json, "pinned", index);
  if (!pinned.is_boolean()) {
    throw DecodeError("item " + std::to_string(index) + ": \"pinned\" is not a boolean");
  }
  item.pinned = pinned.get<bool>();
  return item;
}

struct DecodedItems {
  std::vector<ClipItem> items;
  // Why the first item that did not decode was left out, or that bad bytes were replaced;
  // nothing when the file decoded exactly.
  std::optional<std::string> firstProblem;
  std::size_t leftOut = 0;
};

// The items that decode; one damaged entry costs only itself. Throws DecodeError when the file
// as a whole is not the documented shape.
DecodedItems decodeItems(std::string_view bytes) {
  Json json = Json::parse(bytes, nullptr, false);
  // A bad byte inside one text makes the whole document invalid JSON; read it as U+FFFD so that
  // it costs no more than that text's exactness.
  bool repaired = false;
  if (json.is_discarded() && !unicode::isValidUtf8(bytes)) {
    json = Json::parse(unicode::toValidUtf8(bytes), nullptr, false);
    repaired = !json.is_discarded();
  }
  if (json.is_discarded()) throw DecodeError("not valid JSON");
  if (!json.is_object()) throw DecodeError("not a JSON object");
  auto items = json.find("items");
  if (items == json.end() || !items->is_array()) throw DecodeError("no \"items\" list");
  DecodedItems decoded;
  if (repaired) decoded.firstProblem = "bytes that are not UTF-8 were read as U+FFFD";
  decoded.items.reserve(items->size());
  for (std::size_t i = 0; i < items->size(); ++i) {
    try {
      decoded.items.push_back(decodeItem((*items)[i], i));
    } catch (const DecodeError& error) {
      if (!decoded.firstProblem) decoded.firstProblem = error.what();
      ++decoded.leftOut;
    }
  }
  return decoded;
}

std::string encodeItems(const std::vector<ClipItem>& items) {
  Json list = Json::array();
  for (const ClipItem& item : items) {
    Json json = Json::object();
    json["id"] = item.id;
    json["text"] = item.text;
    json["date"] = iso_date::format(item.date);
    if (item.sourceBundle) json["sourceBundle"] = *item.sourceBundle;
    json["pinned"] = item.pinned;
    list.push_back(std::move(json));
  }
  Json file = Json::object();
  file["items"] = std::move(list);
  // Texts are valid UTF-8 when recorded; a bad byte that reached an item by another road is
  // written as U+FFFD rather than failing the whole file.
  return file.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// Whether the file at `path` still holds content that does not decode (and so must be kept).
bool stillDamaged(const std::string& path) {
  try {
    auto bytes = readWholeFile(path);
    if (!bytes) return false;
    return decodeItems(*bytes).firstProblem.has_value();
  } catch (const DecodeError&) {
    return true;
  } catch (const std::system_error& error) {
    // A folder in the file's place is not ours to move: writing over it fails instead.
    return error.code() != std::errc::is_a_directory;
  }
}

}  // namespace

ClipStore ClipStore::fromJson(std::string_view bytes) {
  try {
    DecodedItems decoded = decodeItems(bytes);
    if (decoded.firstProblem) throw DecodeError(*decoded.firstProblem);
    return ClipStore(std::move(decoded.items));
  } catch (const DecodeError& error) {
    throw ClipStoreError(std::string("The clipboard history cannot be read: ") + error.what());
  }
}

std::string ClipStore::toJson() const {
  return encodeItems(items_);
}

ClipStore ClipStore::load(const std::string& path) {
  ClipStore store;
  try {
    auto bytes = readWholeFile(path);
    if (!bytes) return store;
    DecodedItems decoded = decodeItems(*bytes);
    store.items_ = std::move(decoded.items);
    if (decoded.firstProblem) {
      std::string what = *decoded.firstProblem;
      if (decoded.leftOut > 0) {
        what = std::to_string(decoded.leftOut) + " item" + (decoded.leftOut == 1 ? "" : "s") +
               " left out (" + what + ")";
      }
      store.loadProblem_ = path + ": " + what;
      store.damagedSource_ = path;
    }
  } catch (const DecodeError& error) {
    store.loadProblem_ = path + ": " + error.what();
    store.damagedSource_ = path;
  } catch (const std::system_error& error) {
    store.loadProblem_ = error.what();
    store.damagedSource_ = path;
  }
  return store;
}

void ClipStore::write(const std::string& path, const ClipPolicy& policy) const {
  if (policy.memoryOnly) return;
  try {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder);
    if (damagedSource_ == path && stillDamaged(path)) {
      setAside(path, "unreadable", std::chrono::system_clock::now());
    }
    writeFileAtomically(path, encodeItems(items_));
  } catch (const std::system_error& error) {
    // std::filesystem::filesystem_error is a std::system_error too.
    throw ClipStoreError(std::string("The clipboard history could not be saved: ") + error.what());
  }
}

}  // namespace quorvale
