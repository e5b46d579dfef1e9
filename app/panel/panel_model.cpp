#include "panel/panel_model.h"

#include <algorithm>
#include <utility>

namespace quorvale {
namespace {

bool hasNonSpace(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c != ' '; });
}

}  // namespace

void PanelModel::setQuery(std::string query) {
  if (query == query_) return;
  query_ = std::move(query);
  refresh();
}

const Suggestion* PanelModel::selectedRow() const {
  if (selected_ < 0 || selected_ >= static_cast<int>(items_.size())) return nullptr;
  return &items_[static_cast<std::size_t>(selected_)];
}

void PanelModel::select(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size()) || index == selected_) return;
  selected_ = index;
  changed();
}

void PanelModel::setNotice(std::optional<std::string> notice) {
  if (notice == notice_) return;
  notice_ = std::move(notice);
  changed();
}

void PanelModel::refresh() {
  explanation_.reset();
  waitingKeys_.clear();
  if (!notice_ && searchLater) {
    // The rows of the older text stay until the new ones arrive, so that the list does not
    // flicker empty on every key.
    awaiting_ = true;
    changed();
    searchLater(query_);
    return;
  }
  awaiting_ = false;
  publish(notice_ ? std::vector<Suggestion>{} : search(query_));
}

void PanelModel::showRows(const std::string& query, std::vector<Suggestion> rows) {
  if (!awaiting_ || query != query_ || notice_) return;
  awaiting_ = false;
  publish(std::move(rows));
  // A key that searches again (hiding a row) makes the keys after it wait for the new rows.
  auto keys = std::exchange(waitingKeys_, {});
  for (auto& key : keys) withCurrentRows(std::move(key));
}

void PanelModel::withCurrentRows(std::function<void()> action) {
  if (awaiting_ && !(awaitRows && awaitRows())) {
    waitingKeys_.push_back(std::move(action));
    return;
  }
  // `awaitRows` published the rows (and ran the keys that waited for them) before this one.
  action();
}

void PanelModel::publish(std::vector<Suggestion> rows) {
  items_ = std::move(rows);
  selected_ = 0;
  changed();
  if (!hasNonSpace(query_) || notice_) return;
  if (items_.empty()) {
    say("No results");
    return;
  }
  std::size_t count = items_.size();
  say(std::to_string(count) + " result" + (count == 1 ? "" : "s") + ". " + items_.front().title +
      " selected.");
}

void PanelModel::move(int step) {
  withCurrentRows([this, step] {
    if (items_.empty()) return;
    int count = static_cast<int>(items_.size());
    selected_ = ((selected_ + step) % count + count) % count;
    changed();
    say(items_[static_cast<std::size_t>(selected_)].title);
  });
}

void PanelModel::runSelected(Modifiers modifiers) {
  if (modifiers.shift && hasNonSpace(query_)) {
    googleSearch(query_);
    return;
  }
  withCurrentRows([this, modifiers] {
    // Copied: running a row may reset the model and drop the list it came from.
    if (const Suggestion* row = selectedRow()) activate(Suggestion(*row), modifiers);
  });
}

void PanelModel::hideSelected() {
  withCurrentRows([this] {
    const Suggestion* row = selectedRow();
    if (!row || !row->payload.as<FileRecord>()) return;
    hideResult(Suggestion(*row));
    refresh();
  });
}

void PanelModel::explainSelected() {
  withCurrentRows([this] {
    const Suggestion* row = selectedRow();
    if (!row) return;
    explanation_ = explainResult(*row, query_);
    changed();
  });
}

void PanelModel::reset() {
  setQuery("");
  // Whatever a search of the empty text would bring, the emptied panel shows no rows.
  awaiting_ = false;
  waitingKeys_.clear();
  items_.clear();
  selected_ = 0;
  ++focusTick_;
  changed();
}

bool PanelModel::canSearchGoogle() const {
  return !notice_ && hasNonSpace(query_);
}

void PanelModel::changed() {
  if (onChange) onChange();
}

void PanelModel::say(const std::string& text) {
  if (announce) announce(text);
}

}  // namespace quorvale
