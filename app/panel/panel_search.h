// Searches the panel's texts off the main thread: connects a panel model to a LatestSearch, so
// that each text the model asks for is searched on the worker, its rows come back to the model on
// the main thread, and the keys that act on rows wait up to `kSettleLimit` for the rows of the
// current text before they wait for them without blocking. Owned by the application, which gives
// it `prepare`: run on the main thread for each text, it copies what the search needs from the
// main thread's state (settings, clipboard, history) into a job that may run on the worker.
//
// Main thread only. Must be destroyed before the model and before anything its jobs use.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "panel/latest_search.h"
#include "panel/panel_model.h"

namespace quorvale {

class PanelSearch {
 public:
  using Prepare = std::function<LatestSearch::Job(const std::string& query)>;
  // Longer than nearly every search under load; a slower one lets the key wait without blocking.
  static constexpr std::chrono::milliseconds kSettleLimit{300};

  PanelSearch(PanelModel& model, Executor& main, Prepare prepare);
  ~PanelSearch();
  PanelSearch(const PanelSearch&) = delete;
  PanelSearch& operator=(const PanelSearch&) = delete;

 private:
  PanelModel& model_;
  Prepare prepare_;
  LatestSearch search_;
};

}  // namespace quorvale
