#include "panel/panel_model.h"

#include <algorithm>

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
  items_ = notice_ ? std::vector<Suggestion>{} : search(query_);
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
  if (items_.empty()) return;
  int count = static_cast<int>(items_.size());
  selected_ = ((selected_ + step) % count + count) % count;
  changed();
  say(items_[static_cast<std::size_t>(selected_)].title);
}

void PanelModel::runSelected(Modifiers modifiers) {
  if (modifiers.shift && hasNonSpace(query_)) {
    googleSearch(query_);
    return;
  }
  // Copied: running a row may reset the model and drop the list it came from.
  if (const Suggestion* row = selectedRow()) activate(Suggestion(*row), modifiers);
}

void PanelModel::hideSelected() {
  const Suggestion* row = selectedRow();
  if (!row || !row->payload.as<FileRecord>()) return;
  hideResult(Suggestion(*row));
  refresh();
}

void PanelModel::explainSelected() {
  const Suggestion* row = selectedRow();
  if (!row) return;
  explanation_ = explainResult(*row, query_);
  changed();
}

void PanelModel::reset() {
  setQuery("");
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
