#include "actions/desktop_launch.h"

namespace quorvale::DesktopLaunch {
namespace {

// Fills the field codes of one unquoted argument. An argument that is only %f, %F, %u, %U or %i
// can become several arguments or none.
void expand(const std::string& argument, const DesktopEntry& entry, const Options& options,
            std::vector<std::string>& out) {
  if (argument == "%F" || argument == "%U") {
    out.insert(out.end(), options.files.begin(), options.files.end());
    return;
  }
  if (argument == "%f" || argument == "%u") {
    if (!options.files.empty()) out.push_back(options.files.front());
    return;
  }
  if (argument == "%i") {
    if (!entry.icon.empty()) {
      out.push_back("--icon");
      out.push_back(entry.icon);
    }
    return;
  }
  std::string text;
  bool removedOnly = false;
  for (std::size_t i = 0; i < argument.size(); ++i) {
    if (argument[i] != '%' || i + 1 == argument.size()) {
      text += argument[i];
      continue;
    }
    char code = argument[++i];
    switch (code) {
      case '%':
        text += '%';
        break;
      case 'c':
        text += entry.name;
        break;
      case 'k':
        text += options.entryPath;
        break;
      case 'f':
      case 'u':
        if (!options.files.empty()) text += options.files.front();
        removedOnly = true;
        break;
      default:
        removedOnly = true;
        break;  // deprecated and unknown codes vanish
    }
  }
  if (!text.empty() || !removedOnly) out.push_back(std::move(text));
}

}  // namespace

std::optional<std::vector<std::string>> split(std::string_view exec) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false, quoted = false;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    char c = exec[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\' && i + 1 < exec.size() &&
                 std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
        current += exec[++i];
      } else {
        current += c;
      }
    } else if (c == '"') {
      quoted = inArgument = true;
    } else if (c == ' ' || c == '\t') {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (quoted) return std::nullopt;
  if (inArgument) arguments.push_back(std::move(current));
  if (arguments.empty()) return std::nullopt;
  return arguments;
}

std::optional<LaunchCommand> command(const DesktopEntry& entry, const Options& options) {
  // Entries do put field codes inside quotes ("sh -c \"app %u\""), although the rules forbid
  // it; they are filled there too, as other launchers do.
  auto raw = split(entry.exec);
  if (!raw) return std::nullopt;
  std::vector<std::string> arguments;
  for (const auto& argument : *raw) expand(argument, entry, options, arguments);
  if (arguments.empty() || arguments.front().empty()) return std::nullopt;
  if (entry.terminal) {
    if (options.terminal.empty()) return std::nullopt;
    arguments.insert(arguments.begin(), options.terminal.begin(), options.terminal.end());
  }
  return LaunchCommand{.arguments = std::move(arguments), .workingFolder = entry.path};
}

}  // namespace quorvale::DesktopLaunch
