#include "panel/panel_controller.h"

namespace quorvale {

PanelController::PanelController(PanelEnvironment environment)
    : environment_(std::move(environment)) {
  model_.close = [this] { hide(); };
}

void PanelController::show(const std::optional<std::string>& prefill) {
  if (!surface_ && environment_.makeSurface) surface_ = environment_.makeSurface(*this);
  if (!surface_) return;
  model_.reset();
  if (prefill) model_.setQuery(*prefill);

  auto screens = environment_.screens ? environment_.screens() : std::vector<Screen>{};
  auto pointer = environment_.pointer ? environment_.pointer() : std::nullopt;
  auto mainScreen = environment_.mainScreen ? environment_.mainScreen() : std::nullopt;
  Size size = surface_->fitContents();
  if (auto screen = PanelPlacement::chooseScreen(screens, pointer, mainScreen)) {
    Point corner = PanelPlacement::topLeft(*screen, size);
    left_ = corner.x;
    anchorTopY_ = corner.y;
    surface_->moveTo(corner);
  }
  surface_->present();
}

void PanelController::hide() {
  if (surface_) surface_->orderOut();
  model_.reset();
}

void PanelController::focusLost() {
  if (!isVisible()) return;
  hide();
}

void PanelController::sizeChanged(Size) {
  if (surface_ && anchorTopY_) surface_->moveTo({.x = left_, .y = *anchorTopY_});
}

}  // namespace quorvale
