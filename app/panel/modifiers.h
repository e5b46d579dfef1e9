// The modifier keys held when a row is run. The panel's view reads them from the key event:
// Ctrl stands for Command (reveal a file) and Alt for Option (copy its path), the way Linux
// desktops spell the two. A plain value.
#pragma once

namespace quorvale {

struct Modifiers {
  bool command = false;
  bool option = false;
  bool shift = false;

  bool operator==(const Modifiers&) const = default;
};

}  // namespace quorvale
