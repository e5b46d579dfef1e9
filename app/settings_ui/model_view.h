// What the settings window shows for the text model, worked out from the model controller's
// state without widgets: a short state line, the controller's message (word for word) or the
// model's details, a progress fraction while installing, the one button the state allows, and
// whether the "Install from a folder…" button is offered. Used by the settings editor; any
// thread (pure functions).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model_controller.h"

namespace quorvale {

struct ModelControls {
  enum class Action { none, download, cancel, remove, retry };

  std::string state;               // "Installed", "Not installed", "Installing… 42%"
  std::string message;             // the controller's text, or the model's details; may be empty
  bool problem = false;            // the message says why something failed
  std::optional<double> progress;  // 0 … 1 while installing
  Action action = Action::none;
  std::string actionTitle;  // the button's text; empty with no action
  bool installFromFolder = false;

  bool operator==(const ModelControls&) const = default;
};

namespace model_view {

constexpr std::string_view kFromFolderTitle = "Install from a folder…";
// The command stays on one line (a no-break space).
constexpr std::string_view kFromFolderNote =
    "Choose the folder holding the model's config.json, tokenizer.json and model.safetensors. "
    "A zip archive of them installs with quorvale\u00a0--install-model.";
constexpr std::string_view kChooseFolderMessage = "Choose the folder holding the text model";

// The controls for the state. `fromFolder`: the last installation started copies files from
// disk; running, it cannot be cancelled, and failed, the folder button is offered again.
ModelControls controls(const ModelController::State& state, bool fromFolder);

}  // namespace model_view
}  // namespace quorvale
