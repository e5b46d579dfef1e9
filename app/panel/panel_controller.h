// Shows, places and hides the search panel. It owns the panel model and the window (through the
// `PanelSurface` interface, which the desktop's view implements), builds the window on first
// show, places it on the screen under the pointer, keeps its top edge fixed while the list grows
// or shrinks, and hides it when it loses the keyboard focus. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "panel/panel_model.h"
#include "panel/panel_placement.h"

namespace quorvale {

// The panel's window as the controller drives it.
class PanelSurface {
 public:
  virtual ~PanelSurface() = default;

  virtual bool isVisible() const = 0;
  // Lays the window out for the model's current state and returns its size.
  virtual Size fitContents() = 0;
  virtual void moveTo(Point topLeft) = 0;
  // Shows the window, raises it and gives it the keyboard focus.
  virtual void present() = 0;
  virtual void orderOut() = 0;
};

class PanelController;

// What the controller needs from the desktop.
struct PanelEnvironment {
  // Builds the window around the model; may return null when no window can be made.
  std::function<std::unique_ptr<PanelSurface>(PanelController&)> makeSurface;
  std::function<std::vector<Screen>()> screens;
  std::function<std::optional<Point>()> pointer;
  std::function<std::optional<std::size_t>()> mainScreen;
};

class PanelController {
 public:
  explicit PanelController(PanelEnvironment environment);
  PanelController(const PanelController&) = delete;
  PanelController& operator=(const PanelController&) = delete;

  PanelModel& model() { return model_; }
  // The window, once built.
  PanelSurface* surface() { return surface_.get(); }
  bool isVisible() const { return surface_ && surface_->isVisible(); }

  // Builds the window when needed, resets the model, types the prefill (which searches), places
  // the window and gives it the focus.
  void show(const std::optional<std::string>& prefill);
  // Orders the window out and resets the model.
  void hide();

  // Called by the window: it lost the keyboard focus (hides the panel), or its size changed
  // (keeps the top edge where it was).
  void focusLost();
  void sizeChanged(Size size);

  std::optional<double> anchorTopY() const { return anchorTopY_; }

 private:
  PanelEnvironment environment_;
  PanelModel model_;
  std::unique_ptr<PanelSurface> surface_;
  std::optional<double> anchorTopY_;
  double left_ = 0;
};

}  // namespace quorvale
