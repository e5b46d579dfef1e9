#include "login_item.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "util/atomic_file.h"
#include "util/xdg_paths.h"

namespace quorvale::LoginItem {
namespace {

// The Exec value for a program path: quoted, with the characters the desktop-entry rules
// reserve inside quotes escaped, so that a path with spaces starts the right program.
std::string execValue(const std::string& executable) {
  std::string quoted = "\"";
  for (char c : executable) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  // The entry's own escape rules then double every backslash.
  std::string escaped;
  for (char c : quoted) {
    escaped += c;
    if (c == '\\') escaped += '\\';
  }
  return escaped;
}

std::string entryText(const std::string& executable) {
  std::string text =
      "[Desktop Entry]\nType=Application\nName=Quorvale\nComment=Keyboard launcher\n";
  text += "Exec=" + execValue(executable) + "\n";
  text += "Terminal=false\nX-GNOME-Autostart-enabled=true\n";
  return text;
}

void log(const std::string& description) {
  std::fprintf(stderr, "Quorvale login item: %s\n", description.c_str());
}

}  // namespace

std::string entryPath() {
  auto config = xdg::configHome();
  return config ? *config + "/autostart/quorvale.desktop" : std::string();
}

bool isEnabled() {
  std::string path = entryPath();
  if (path.empty()) return false;
  std::ifstream entry(path);
  if (!entry) return false;
  std::string line;
  while (std::getline(entry, line)) {
    if (line == "Hidden=true") return false;
  }
  return true;
}

bool setEnabled(bool enabled, const std::string& executable) {
  std::string path = entryPath();
  try {
    if (path.empty()) throw std::runtime_error("the user has no configuration folder");
    if (enabled) {
      std::filesystem::create_directories(std::filesystem::path(path).parent_path());
      writeFileAtomically(path, entryText(executable), {.mode = 0644});
    } else {
      std::filesystem::remove(path);
    }
  } catch (const std::exception& error) {
    log(error.what());
  }
  return isEnabled();
}

}  // namespace quorvale::LoginItem
