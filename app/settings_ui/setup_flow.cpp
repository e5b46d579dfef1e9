#include "settings_ui/setup_flow.h"

#include <algorithm>

namespace quorvale {

using SettingsFields::List;
using SettingsFields::samePath;

SetupFlow::SetupFlow(SettingsEditor& editor, std::function<void()> finishSetup)
    : editor_(editor), finishSetup_(std::move(finishSetup)) {}

const std::vector<std::string>& SetupFlow::standardFolders() {
  static const std::vector<std::string> folders{"~/Desktop", "~/Documents", "~/Downloads"};
  return folders;
}

bool SetupFlow::isStandard(const std::string& root) const {
  const auto& standard = standardFolders();
  return std::any_of(standard.begin(), standard.end(),
                     [&](const std::string& folder) { return samePath(folder, root); });
}

bool SetupFlow::includes(const std::string& folder) const {
  const auto& roots = editor_.settings().roots;
  return std::any_of(roots.begin(), roots.end(),
                     [&](const std::string& root) { return samePath(root, folder); });
}

void SetupFlow::setIncluded(const std::string& folder, bool included) {
  if (included) {
    editor_.addItems(List::roots, std::vector<std::string>{folder});
    return;
  }
  const auto& roots = editor_.settings().roots;
  for (std::size_t i = roots.size(); i-- > 0;) {
    if (samePath(roots[i], folder)) editor_.removeItem(List::roots, i);
  }
}

std::vector<std::string> SetupFlow::otherFolders() const {
  std::vector<std::string> others;
  for (const auto& root : editor_.settings().roots) {
    if (!isStandard(root)) others.push_back(root);
  }
  return others;
}

void SetupFlow::removeOther(std::size_t index) {
  const auto& roots = editor_.settings().roots;
  for (std::size_t i = 0; i < roots.size(); ++i) {
    if (isStandard(roots[i])) continue;
    if (index-- == 0) {
      editor_.removeItem(List::roots, i);
      return;
    }
  }
}

std::size_t SetupFlow::addFolders() {
  return editor_.chooseAndAdd(List::roots);
}

void SetupFlow::finish() {
  if (finished_) return;
  finished_ = true;
  if (finishSetup_) finishSetup_();
}

}  // namespace quorvale
