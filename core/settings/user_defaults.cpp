#include "settings/user_defaults.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "util/atomic_file.h"
#include "util/whole_file.h"
#include "util/xdg_paths.h"

namespace quorvale {
namespace {

using Json = nlohmann::ordered_json;

// The stored object, or nothing when the text is not a JSON object.
std::optional<Json> parseObject(const std::string& bytes) {
  Json json = Json::parse(bytes, nullptr, false);
  if (json.is_discarded() || !json.is_object()) return std::nullopt;
  return json;
}

// Creates the file's folder (mode 0700 for the last level) when it is missing.
void makeFolder(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) return;
  if (folder.has_parent_path()) std::filesystem::create_directories(folder.parent_path());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    throw std::system_error(errno, std::generic_category(), "cannot create " + folder.string());
  }
}

}  // namespace

UserDefaults::UserDefaults(std::string path) : path_(std::move(path)) {}

std::string UserDefaults::standardPath() {
  std::string base =
      xdg::configHome().value_or((std::filesystem::temp_directory_path() / ".config").string());
  return base + "/quorvale/defaults.json";
}

UserDefaults::Stored UserDefaults::read(std::string_view key) const {
  std::lock_guard lock(mutex_);
  std::optional<std::string> bytes;
  try {
    bytes = readWholeFile(path_);
  } catch (const std::system_error& error) {
    return {.value = std::nullopt, .problem = error.what(), .unreadable = true};
  }
  if (!bytes) return {};
  auto root = parseObject(*bytes);
  if (!root)
    return {.value = std::nullopt, .problem = path_ + " is not a JSON object", .unreadable = false};
  auto found = root->find(key);
  if (found == root->end()) return {};
  return {.value = *found, .problem = std::nullopt, .unreadable = false};
}

std::optional<Json> UserDefaults::value(std::string_view key) const {
  return read(key).value;
}

std::optional<std::int64_t> UserDefaults::integer(std::string_view key) const {
  auto stored = value(key);
  if (!stored || !stored->is_number_integer()) return std::nullopt;
  if (stored->is_number_unsigned() &&
      stored->get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)) {
    return std::nullopt;
  }
  return stored->get<std::int64_t>();
}

void UserDefaults::set(std::string_view key, Json value) {
  std::lock_guard lock(mutex_);
  try {
    Json root = Json::object();
    if (auto bytes = readWholeFile(path_)) {
      if (auto stored = parseObject(*bytes)) {
        root = std::move(*stored);
      } else {
        quorvale::setAside(path_, "unreadable", std::chrono::system_clock::now());
      }
    }
    root[std::string(key)] = std::move(value);
    std::string text;
    try {
      text = root.dump();
    } catch (const Json::type_error& error) {
      throw DefaultsError("The settings could not be encoded: " + std::string(error.what()));
    }
    makeFolder(path_);
    writeFileAtomically(path_, text);
  } catch (const std::system_error& error) {
    throw DefaultsError("The settings could not be saved: " + std::string(error.what()));
  }
}

std::optional<std::string> UserDefaults::setAside(std::chrono::system_clock::time_point now) {
  std::lock_guard lock(mutex_);
  try {
    return quorvale::setAside(path_, "unreadable", now);
  } catch (const std::system_error& error) {
    throw DefaultsError("The settings could not be set aside: " + std::string(error.what()));
  }
}

}  // namespace quorvale
