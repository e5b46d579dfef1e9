#include "data_folder.h"

#include <filesystem>
#include <system_error>

#include "util/xdg_paths.h"

namespace quorvale {

std::string dataFolder() {
  std::error_code error;
  std::filesystem::path base;
  if (auto home = xdg::dataHome(); home && (std::filesystem::create_directories(*home, error), !error)) {
    base = *home;
  } else {
    base = std::filesystem::temp_directory_path(error);
    if (error) base = "/tmp";
  }
  std::filesystem::path folder = base / "Quorvale";
  std::filesystem::create_directories(folder, error);
  return folder.string();
}

}  // namespace quorvale
