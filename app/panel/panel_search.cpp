#include "panel/panel_search.h"

namespace quorvale {

PanelSearch::PanelSearch(PanelModel& model, Executor& main, Prepare prepare)
    : model_(model),
      prepare_(std::move(prepare)),
      search_(main, [this](const std::string& query, LatestSearch::Rows rows) {
        model_.showRows(query, std::move(rows));
      }) {
  model_.searchLater = [this](const std::string& query) {
    search_.request(query, prepare_(query));
  };
  model_.awaitRows = [this] { return search_.settle(kSettleLimit); };
}

PanelSearch::~PanelSearch() {
  model_.searchLater = nullptr;
  model_.awaitRows = nullptr;
}

}  // namespace quorvale
