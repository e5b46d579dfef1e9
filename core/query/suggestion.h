// One row of the panel's result list: an identity, two lines of text and what running the row
// does. The suggester builds them, the search engine puts passage rows in front, the panel model
// shows them and the shell's `activate` runs the chosen one by its payload. A plain value.
//
// Row ids carry their origin as a prefix: "calc", "web-" + keyword, "ask-" + keyword,
// "fallback" + keyword, "clip-" + clip UUID, "snip-" + snippet UUID, "hint-clip", "hint-note",
// "tool", "tool-secret" (copied as concealed), "sys-" + command id, "pane-" + pane address,
// "file-" + path, "passage-" + path and "passage-none". An id is unique within one list.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "clipboard/clip_store.h"
#include "index/file_record.h"

namespace quorvale {

// What running a row does. The cases keep this order: it is their numbering wherever rows are
// compared or stored. Two payloads are equal when they are the same case with equal values.
struct Payload {
  struct Calculation {  // copies the text (a calculator or quick-tool answer)
    std::string text;
    bool operator==(const Calculation&) const = default;
  };
  struct WebSearchURL {  // opens the address in the browser (web searches, settings pages)
    std::string url;
    bool operator==(const WebSearchURL&) const = default;
  };
  struct SnippetText {  // copies the expanded snippet text
    std::string text;
    bool operator==(const SnippetText&) const = default;
  };
  // FileRecord: opens the file, reveals it or copies its path.
  // ClipItem: puts the item's text on the clipboard.
  struct SystemCommandID {  // runs the system command with this id
    std::string id;
    bool operator==(const SystemCommandID&) const = default;
  };
  struct Hint {  // an informational row; running it does nothing
    bool operator==(const Hint&) const = default;
  };

  using Value = std::variant<Calculation, WebSearchURL, SnippetText, FileRecord, ClipItem,
                             SystemCommandID, Hint>;

  // The case names, indexed like `Value`'s alternatives.
  static constexpr std::array<std::string_view, std::variant_size_v<Value>> kKindNames{
      "calculation", "webSearch", "snippet", "file", "clip", "system", "hint"};

  Value value = Hint{};

  static Payload calculation(std::string text) { return {Calculation{std::move(text)}}; }
  static Payload webSearch(std::string url) { return {WebSearchURL{std::move(url)}}; }
  static Payload snippet(std::string text) { return {SnippetText{std::move(text)}}; }
  static Payload file(FileRecord record) { return {std::move(record)}; }
  static Payload clip(ClipItem item) { return {std::move(item)}; }
  static Payload system(std::string id) { return {SystemCommandID{std::move(id)}}; }
  static Payload hint() { return {Hint{}}; }

  // The case's number (0 for calculation ... 6 for hint) and name ("calculation", "webSearch",
  // "snippet", "file", "clip", "system", "hint").
  std::size_t index() const { return value.index(); }
  std::string_view kind() const { return kKindNames[value.index()]; }

  // The case's value when the payload is that case, else null.
  template <typename Case>
  const Case* as() const {
    return std::get_if<Case>(&value);
  }

  bool operator==(const Payload&) const = default;
};

struct Suggestion {
  std::string id;
  std::string title;     // first line
  std::string subtitle;  // second line; may be empty
  Payload payload;

  bool operator==(const Suggestion&) const = default;
};

}  // namespace quorvale
