// The desktop's dialogs for choosing folders and files, as the settings and setup windows use
// them. The Qt shell implements it with the platform's file dialog; tests give a fake that
// answers with fixed paths. Main thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

class FileChooser {
 public:
  virtual ~FileChooser() = default;

  // A modal dialog showing the message; the absolute paths chosen (several where the dialog
  // allows it), none when it was cancelled.
  virtual std::vector<std::string> chooseFolders(std::string_view message) = 0;
  virtual std::vector<std::string> chooseFiles(std::string_view message, bool several) = 0;
};

}  // namespace quorvale
