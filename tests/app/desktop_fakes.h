// Fakes of the desktop for the application controller's tests: they record what was asked of
// them.
#pragma once

#include <string>
#include <vector>

#include "panel/panel_controller.h"
#include "platform/desktop_services.h"
#include "settings_ui/file_chooser.h"

namespace quorvale::testing {

// A file row as the engine makes it, titled with the file's name.
inline Suggestion fileRow(const std::string& path, std::optional<FileKind> kind = std::nullopt) {
  return {.id = "file-" + path,
          .title = path.substr(path.rfind('/') + 1),
          .subtitle = path.substr(0, path.rfind('/')),
          .payload = Payload::file(FileRecord::make({.path = path, .kind = kind, .size = 1}))};
}

class FakeClipboard : public SystemClipboard {
 public:
  std::optional<std::string> text() const override { return contents; }
  std::vector<std::string> types() const override { return offered; }
  void write(const std::string& text, bool concealed) override {
    contents = text;
    offered = {"text/plain"};
    if (concealed) offered.push_back("x-kde-passwordManagerHint");
    changedNow();
  }
  void clear() override {
    contents.reset();
    offered.clear();
    changedNow();
  }
  std::uint64_t changeCount() const override { return count; }
  std::optional<std::string> frontApplication() const override { return front; }
  std::optional<std::string> unavailableNote() const override { return note; }

  // Another application copies.
  void copyFromOutside(const std::string& text, std::vector<std::string> types = {"text/plain"}) {
    contents = text;
    offered = std::move(types);
    changedNow();
  }
  void changedNow() {
    ++count;
    if (onChange) onChange();
  }

  std::optional<std::string> contents;
  std::vector<std::string> offered;
  std::uint64_t count = 0;
  std::optional<std::string> front = "org.example.Editor";
  std::optional<std::string> note;
};

class FakeWorkspace : public Workspace {
 public:
  bool openFile(const std::string& path) override { return log("open " + path); }
  bool openURL(const std::string& url) override { return log("url " + url); }
  bool reveal(const std::string& path) override { return log("reveal " + path); }
  bool launch(const LaunchCommand& command) override {
    std::string line = "launch";
    for (const auto& argument : command.arguments) line += " " + argument;
    if (!command.workingFolder.empty()) line += " in " + command.workingFolder;
    return log(line);
  }
  std::vector<std::string> terminal() const override { return {"xterm", "-e"}; }
  bool openSettingsPage(const std::string& page) override { return log("settings " + page); }
  bool suspend() override { return log("suspend"); }
  bool lockScreen() override { return log("lock"); }
  bool startScreenSaver() override { return log("screensaver"); }
  std::optional<std::string> runningName(const std::string& id) override {
    if (id == "org.example.Editor") return "Editor";
    return std::nullopt;
  }
  void quit(const std::string& id, bool force) override { log((force ? "kill " : "quit ") + id); }
  void activateSelf() override { log("front"); }

  bool log(std::string line) {
    calls.push_back(std::move(line));
    return true;
  }
  std::vector<std::string> calls;
};

class FakeAlerts : public Alerts {
 public:
  int show(const std::string& title, const std::string& text,
           const std::vector<std::string>& buttons) override {
    shown.push_back(title + " | " + text + " | " + std::to_string(buttons.size()));
    return answer;
  }
  std::vector<std::string> shown;
  int answer = 0;
};

class FakeHotKeys : public HotKeyCenter {
 public:
  std::set<int> registerKeys(const std::vector<HotKeyBinding>& list) override {
    bindings = list;
    ++registrations;
    return refused;
  }
  std::vector<HotKeyBinding> bindings;
  std::set<int> refused;
  int registrations = 0;
};

// A panel window that records where it was put; 60 pixels tall plus 40 for each of the model's
// rows (one row without a model).
class FakeSurface : public PanelSurface {
 public:
  explicit FakeSurface(const PanelModel* model = nullptr) : model_(model) {}
  bool isVisible() const override { return visible; }
  Size fitContents() override {
    auto rows = model_ ? static_cast<double>(model_->items().size()) : 1.0;
    return {.width = 600, .height = 60 + 40 * rows};
  }
  void moveTo(Point corner) override { at = corner; }
  void present() override { visible = true; }
  void orderOut() override { visible = false; }

  bool visible = false;
  Point at;

 private:
  const PanelModel* model_;
};

// Answers every dialog with `chosen` (empty: cancelled) and notes the messages shown.
class FakeFileChooser : public FileChooser {
 public:
  std::vector<std::string> chooseFolders(std::string_view message) override {
    messages.emplace_back(message);
    return chosen;
  }
  std::vector<std::string> chooseFiles(std::string_view message, bool) override {
    messages.emplace_back(message);
    return chosen;
  }
  std::vector<std::string> chosen;
  std::vector<std::string> messages;
};

}  // namespace quorvale::testing
