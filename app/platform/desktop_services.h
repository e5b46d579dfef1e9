// The desktop as the application controller uses it: the clipboard, the workspace (opening,
// revealing and launching things, power and screen actions, running applications), alerts, the
// tray item and global hot keys. The Qt shell implements them on Linux; tests give fakes.
// Everything here is called on the main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "actions/desktop_launch.h"
#include "settings/hot_key.h"

namespace quorvale {

class SystemClipboard {
 public:
  virtual ~SystemClipboard() = default;

  // The plain text on the clipboard; nothing when it holds none.
  virtual std::optional<std::string> text() const = 0;
  // The types offered for the current contents (MIME types on Linux).
  virtual std::vector<std::string> types() const = 0;
  // Replaces the contents with the text; a concealed copy also carries the password-manager hint
  // so that clipboard histories leave it out.
  virtual void write(const std::string& text, bool concealed) = 0;
  virtual void clear() = 0;
  // Counts every change of the contents, the program's own included.
  virtual std::uint64_t changeCount() const = 0;
  // The desktop-entry id of the application in front (where the copy came from); nothing when
  // the desktop does not tell.
  virtual std::optional<std::string> frontApplication() const = 0;
  // Why clipboard history cannot work on this desktop, for the status line; nothing when it can.
  virtual std::optional<std::string> unavailableNote() const { return std::nullopt; }
  // Called after each change of the contents, and with false/true when the session is locked or
  // unlocked (nothing is recorded while it is locked).
  std::function<void()> onChange;
  std::function<void(bool locked)> onLockChange;
};

class Workspace {
 public:
  virtual ~Workspace() = default;

  // With the default application or browser. False when nothing could be started.
  virtual bool openFile(const std::string& path) = 0;
  virtual bool openURL(const std::string& url) = 0;
  // Selects the file in a file-manager window (its folder opened when no file manager can).
  virtual bool reveal(const std::string& path) = 0;
  // Starts the program detached from this process.
  virtual bool launch(const LaunchCommand& command) = 0;
  // The command that runs a program in a terminal, up to the program ("xterm", "-e"); empty
  // when no terminal is installed.
  virtual std::vector<std::string> terminal() const = 0;
  // A page of the desktop's settings tool by name ("wifi", "sound", ...).
  virtual bool openSettingsPage(const std::string& page) = 0;

  virtual bool suspend() = 0;
  virtual bool lockScreen() = 0;
  virtual bool startScreenSaver() = 0;

  // The name of the running application with the desktop-entry id; nothing when none runs.
  virtual std::optional<std::string> runningName(const std::string& id) = 0;
  // Asks every running instance of the application to quit (its windows closed, then SIGTERM),
  // or kills it (SIGKILL).
  virtual void quit(const std::string& id, bool force) = 0;
  // Brings this application's windows to the front (before an alert).
  virtual void activateSelf() = 0;
};

class Alerts {
 public:
  virtual ~Alerts() = default;

  // A modal alert; returns the index of the button pressed (the first is the default), or -1
  // when it was closed otherwise.
  virtual int show(const std::string& title, const std::string& text,
                   const std::vector<std::string>& buttons) = 0;
};

class StatusItem {
 public:
  virtual ~StatusItem() = default;

  virtual void setVisible(bool visible) = 0;
  // Whether the desktop shows tray items at all.
  virtual bool hostAvailable() const = 0;
};

struct HotKeyBinding {
  HotKey hotKey;
  std::function<void()> action;
};

class HotKeyCenter {
 public:
  virtual ~HotKeyCenter() = default;

  // Replaces every registration with the list's; the actions run on the main thread when their
  // shortcut is pressed. Returns the list positions that could not be registered. An empty list
  // unregisters everything.
  virtual std::set<int> registerKeys(const std::vector<HotKeyBinding>& bindings) = 0;
};

}  // namespace quorvale
