// The state behind the search panel: the typed text, the rows, the selected row, an optional
// notice shown instead of results, an optional explanation of a row, and a counter that asks the
// view to focus the text field again. It neither searches nor runs rows itself; the application
// installs callbacks for that, and the view listens to `onChange`.
//
// Main thread only. Rows come either from `search`, which answers on the calling thread, or,
// when the application installs `searchLater`, from another thread through `showRows`. Until the
// rows of the current text are in, the keys that act on rows (move, run, hide, explain) first
// wait a bounded time for them (`awaitRows`) and otherwise act once they arrive, so that they
// never act on the rows of an older text.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "panel/modifiers.h"
#include "query/suggestion.h"

namespace quorvale {

class PanelModel {
 public:
  PanelModel() = default;
  PanelModel(const PanelModel&) = delete;
  PanelModel& operator=(const PanelModel&) = delete;

  const std::string& query() const { return query_; }
  // A different text runs `refresh`; the same text again does nothing.
  void setQuery(std::string query);

  const std::vector<Suggestion>& items() const { return items_; }
  int selected() const { return selected_; }
  const Suggestion* selectedRow() const;
  void select(int index);

  const std::optional<std::string>& notice() const { return notice_; }
  // While a notice is set no search runs and the rows stay empty.
  void setNotice(std::optional<std::string> notice);

  int focusTick() const { return focusTick_; }
  const std::optional<std::string>& explanation() const { return explanation_; }

  // Runs `search` (unless a notice shows), selects the first row and announces the result; with
  // `searchLater` installed, asks for the rows instead, which `showRows` then publishes.
  void refresh();
  // The rows for `query`; ignored unless they are the rows the model waits for.
  void showRows(const std::string& query, std::vector<Suggestion> rows);
  // Whether the rows shown are those of an older text.
  bool awaitingRows() const { return awaiting_; }
  // Moves the selection, wrapping around at either end, and announces the new row.
  void move(int step);
  // Shift with typed text searches the web; otherwise the selected row runs.
  void runSelected(Modifiers modifiers);
  // Hides the selected file row from results and searches again.
  void hideSelected();
  void explainSelected();
  // Empties the text and the rows and asks the view to focus the field.
  void reset();
  bool canSearchGoogle() const;

  // Installed by the application.
  std::function<std::vector<Suggestion>(const std::string& query)> search = [](auto&) {
    return std::vector<Suggestion>{};
  };
  // Asks for the rows of the text, to be given back through `showRows`.
  std::function<void(const std::string& query)> searchLater;
  // Waits a short, bounded time for the rows asked for last and gives them through `showRows`;
  // false when they did not come in time.
  std::function<bool()> awaitRows;
  std::function<void(const Suggestion&, Modifiers)> activate = [](auto&, auto) {};
  std::function<void(const std::string& text)> googleSearch = [](auto&) {};
  std::function<void()> close = [] {};
  std::function<void(const Suggestion&)> hideResult = [](auto&) {};
  std::function<void(const Suggestion&)> leaveOutFolder = [](auto&) {};
  std::function<std::string(const Suggestion&, const std::string& query)> explainResult =
      [](auto&, auto&) { return std::string(); };

  // Installed by the view: called after any published member changed, and with each text for
  // screen readers (spoken at the polite level).
  std::function<void()> onChange;
  std::function<void(const std::string& text)> announce;

 private:
  void changed();
  void say(const std::string& text);
  void publish(std::vector<Suggestion> rows);
  // Runs a key's action on the rows of the current text: now, after a short wait, or when they
  // arrive.
  void withCurrentRows(std::function<void()> action);

  std::string query_;
  std::vector<Suggestion> items_;
  int selected_ = 0;
  std::optional<std::string> notice_;
  int focusTick_ = 0;
  std::optional<std::string> explanation_;
  bool awaiting_ = false;
  std::vector<std::function<void()>> waitingKeys_;  // in the order the keys came
};

}  // namespace quorvale
