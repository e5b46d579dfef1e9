#include "settings_ui/model_view.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "util/iso_date.h"

namespace quorvale::model_view {
namespace {

using Action = ModelControls::Action;

// Bytes as whole megabytes, at least 1.
std::string megabytes(std::int64_t bytes) {
  auto mb = static_cast<std::int64_t>(std::llround(static_cast<double>(bytes) / 1e6));
  return std::to_string(mb < 1 ? 1 : mb) + " MB";
}

std::string percent(double fraction) {
  return std::to_string(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100)) + "%";
}

}  // namespace

ModelControls controls(const ModelController::State& state, bool fromFolder) {
  ModelControls shown;
  if (std::holds_alternative<ModelController::Checking>(state)) {
    shown.state = "Looking for the text model…";
  } else if (const auto* offer = std::get_if<ModelController::NotInstalled>(&state)) {
    const ModelManifest& m = offer->manifest;
    shown.state = "Not installed";
    shown.message = m.name + " " + m.version + ", a download of " + megabytes(m.sizeBytes) +
                    ". Licence: " + m.license;
    shown.action = Action::download;
    shown.actionTitle = "Download";
  } else if (const auto* unavailable = std::get_if<ModelController::Unavailable>(&state)) {
    shown.state = "Not installed";
    shown.message = unavailable->message;
    shown.installFromFolder = true;
  } else if (const auto* running = std::get_if<ModelController::Downloading>(&state)) {
    shown.state = running->fraction > 0 ? "Installing… " + percent(running->fraction)
                                        : std::string("Installing…");
    shown.progress = running->fraction;
    if (!fromFolder) {
      shown.action = Action::cancel;
      shown.actionTitle = "Cancel";
    }
  } else if (const auto* installed = std::get_if<ModelController::Installed>(&state)) {
    shown.state = "Installed";
    // The day of the installation, from the record's UTC timestamp.
    std::string day = iso_date::format(installed->record.installedAt).substr(0, 10);
    shown.message = "Version " + installed->record.version + ", installed on " + day + ".";
    shown.action = Action::remove;
    shown.actionTitle = "Remove";
  } else if (const auto* failed = std::get_if<ModelController::Failed>(&state)) {
    shown.state = "Not installed";
    shown.problem = true;
    // The controller's own texts are sentences; files refused from disk come with the reason.
    bool reason = !failed->message.empty() &&
                  std::islower(static_cast<unsigned char>(failed->message.front()));
    shown.message =
        reason ? "The files could not be installed: " + failed->message + "." : failed->message;
    if (fromFolder) {
      shown.installFromFolder = true;
    } else {
      shown.action = Action::retry;
      shown.actionTitle = "Try Again";
    }
  }
  return shown;
}

}  // namespace quorvale::model_view
