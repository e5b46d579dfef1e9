#include "settings_ui/settings_editor.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <variant>

#include "scan/file_diagnosis.h"
#include "search_engine.h"
#include "settings/hot_key_rules.h"
#include "settings/key_names.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

std::size_t position(HotKeySlot slot) {
  return slot == HotKeySlot::panel ? 0 : 1;
}

bool sameWord(std::string_view a, std::string_view b) {
  return unicode::lowercased(a) == unicode::lowercased(b);
}

}  // namespace

SettingsEditor::SettingsEditor(SettingsEditorServices services) : services_(std::move(services)) {}

void SettingsEditor::save(QuorvaleSettings settings) {
  try {
    services_.store->setSettings(std::move(settings));
  } catch (const DefaultsError& error) {
    // The record stays current in memory; the next successful save writes it.
    std::fprintf(stderr, "quorvale: the settings could not be saved: %s\n", error.what());
  }
}

SearchEngine* SettingsEditor::engine() const {
  return services_.engine ? services_.engine() : nullptr;
}

ModelController* SettingsEditor::models() const {
  return services_.models ? services_.models() : nullptr;
}

void SettingsEditor::setSwitch(SettingsFields::Switch id, bool on) {
  QuorvaleSettings settings = this->settings();
  SettingsFields::set(settings, id, on);
  save(std::move(settings));
}

void SettingsEditor::setNumber(SettingsFields::Number id, std::int64_t value) {
  QuorvaleSettings settings = this->settings();
  SettingsFields::set(settings, id, value);
  save(std::move(settings));
}

std::size_t SettingsEditor::chooseAndAdd(SettingsFields::List id) {
  using SettingsFields::List;
  std::vector<std::string> chosen;
  switch (id) {
    case List::roots:
      chosen = services_.chooser->chooseFolders(kAddFoldersMessage);
      break;
    case List::excludedPaths:
      chosen = services_.chooser->chooseFolders(kExcludeFoldersMessage);
      break;
    case List::hiddenResults:
      chosen = services_.chooser->chooseFiles(kHideFilesMessage, true);
      break;
    case List::ignoredApplications:
      break;
  }
  return addItems(id, chosen);
}

std::size_t SettingsEditor::addItems(SettingsFields::List id, std::span<const std::string> texts) {
  QuorvaleSettings settings = this->settings();
  std::size_t added = SettingsFields::add(settings, id, texts);
  if (added > 0) save(std::move(settings));
  return added;
}

void SettingsEditor::removeItem(SettingsFields::List id, std::size_t index) {
  QuorvaleSettings settings = this->settings();
  if (SettingsFields::remove(settings, id, index)) save(std::move(settings));
}

// --- Shortcuts ---------------------------------------------------------------------------------

void SettingsEditor::startRecording(HotKeySlot slot) {
  bool wasRecording = recording_.has_value();
  recording_ = slot;
  if (!wasRecording && services_.shortcutRecording) services_.shortcutRecording(true);
}

void SettingsEditor::endRecording(HotKeySlot slot, const std::optional<HotKey>& recorded) {
  if (recorded) {
    std::optional<HotKeyProblem> problem;
    try {
      problem = services_.store->assign(*recorded, slot);
    } catch (const DefaultsError& error) {
      std::fprintf(stderr, "quorvale: the settings could not be saved: %s\n", error.what());
    }
    refused_[position(slot)] =
        problem ? std::optional(HotKeyRules::message(*problem)) : std::nullopt;
  }
  bool wasRecording = recording_.has_value();
  recording_.reset();
  if (wasRecording && services_.shortcutRecording) services_.shortcutRecording(false);
}

void SettingsEditor::resetHotKey(HotKeySlot slot) {
  refused_[position(slot)].reset();
  try {
    services_.store->resetHotKey(slot);
  } catch (const DefaultsError& error) {
    std::fprintf(stderr, "quorvale: the settings could not be saved: %s\n", error.what());
  }
}

HotKeyLine SettingsEditor::hotKeyLine(HotKeySlot slot) const {
  const HotKey& hotKey = settings().hotKeyFor(slot);
  HotKeyLine line;
  line.shortcut = KeyNames::describe(hotKey);
  if (const auto& refused = refused_[position(slot)]) {
    line.message = *refused;
    line.problem = true;
  } else if (services_.store->unavailable().contains(static_cast<int>(position(slot)))) {
    line.message = HotKeyRules::kUnavailableMessage;
    line.problem = true;
  } else if (auto note = HotKeyRules::note(hotKey)) {
    line.message = *note;
  }
  return line;
}

std::optional<std::string> SettingsEditor::shortcutHelp() const {
  if (services_.globalShortcuts) return std::nullopt;
  return "This desktop does not let programs take global shortcuts. In its keyboard settings, "
         "add a custom shortcut that runs the command quorvale --toggle (and one that runs "
         "quorvale --clip for the clipboard history).";
}

// --- Web searches ------------------------------------------------------------------------------

std::optional<std::string> SettingsEditor::addWebSearch(std::string_view keyword, std::string name,
                                                        std::string url, bool ask) {
  QuorvaleSettings settings = this->settings();
  auto entry =
      WebSearch::newEntry(keyword, std::move(name), std::move(url), ask, settings.webSearches);
  if (auto* problem = std::get_if<std::string>(&entry)) return *problem;
  settings.webSearches.push_back(std::get<WebSearch>(std::move(entry)));
  save(std::move(settings));
  return std::nullopt;
}

void SettingsEditor::removeWebSearch(std::size_t index) {
  QuorvaleSettings settings = this->settings();
  if (index >= settings.webSearches.size()) return;
  settings.webSearches.erase(settings.webSearches.begin() + static_cast<std::ptrdiff_t>(index));
  save(std::move(settings));
}

bool SettingsEditor::isFallback(std::size_t index) const {
  const auto& searches = settings().webSearches;
  if (index >= searches.size()) return false;
  const auto& keywords = settings().fallbackKeywords;
  return std::any_of(keywords.begin(), keywords.end(), [&](const std::string& keyword) {
    return sameWord(keyword, searches[index].keyword);
  });
}

void SettingsEditor::setFallback(std::size_t index, bool fallback) {
  if (index >= settings().webSearches.size() || isFallback(index) == fallback) return;
  QuorvaleSettings settings = this->settings();
  const std::string& keyword = settings.webSearches[index].keyword;
  auto& keywords = settings.fallbackKeywords;
  if (fallback) {
    keywords.push_back(keyword);
  } else {
    std::erase_if(keywords, [&](const std::string& other) { return sameWord(other, keyword); });
  }
  save(std::move(settings));
}

// --- Snippets ----------------------------------------------------------------------------------

std::optional<std::string> SettingsEditor::saveSnippet(std::optional<std::size_t> index,
                                                       std::string_view keyword,
                                                       std::string_view name, std::string text) {
  QuorvaleSettings settings = this->settings();
  auto& snippets = settings.snippets;
  if (index && *index >= snippets.size()) return std::nullopt;
  std::string word = unicode::trimmed(keyword);
  if (word.empty() || word.find_first_of(" \t\n") != std::string::npos) {
    return std::string(WebSearch::kKeywordNotOneWord);
  }
  for (std::size_t i = 0; i < snippets.size(); ++i) {
    if (i != index && sameWord(snippets[i].keyword, word)) {
      return std::string(WebSearch::kKeywordUsed);
    }
  }
  if (unicode::trimmed(text).empty()) return std::string(kSnippetTextMissing);
  std::string title = unicode::trimmed(name);
  if (title.empty()) title = word;
  if (index) {
    Snippet& snippet = snippets[*index];
    snippet.keyword = std::move(word);
    snippet.name = std::move(title);
    snippet.text = std::move(text);
  } else {
    snippets.push_back(Snippet::make(std::move(word), std::move(title), std::move(text)));
  }
  save(std::move(settings));
  return std::nullopt;
}

void SettingsEditor::removeSnippet(std::size_t index) {
  QuorvaleSettings settings = this->settings();
  if (index >= settings.snippets.size()) return;
  settings.snippets.erase(settings.snippets.begin() + static_cast<std::ptrdiff_t>(index));
  save(std::move(settings));
}

// --- Starting at login -------------------------------------------------------------------------

bool SettingsEditor::openAtLogin() const {
  return services_.loginItemEnabled && services_.loginItemEnabled();
}

std::string SettingsEditor::setOpenAtLogin(bool enabled) {
  if (!services_.setLoginItem) return {};
  bool now = services_.setLoginItem(enabled);
  if (now == enabled) return {};
  return enabled ? std::string(platformProfile().loginItemRefused) : std::string(kLoginItemStillOn);
}

// --- Maintenance -------------------------------------------------------------------------------

std::optional<ModelControls> SettingsEditor::modelControls() const {
  ModelController* controller = models();
  if (!controller) return std::nullopt;
  return model_view::controls(controller->state(), installingFromFolder_);
}

void SettingsEditor::runModelAction() {
  ModelController* controller = models();
  if (!controller) return;
  switch (model_view::controls(controller->state(), installingFromFolder_).action) {
    case ModelControls::Action::download:
      installingFromFolder_ = false;
      controller->download(settings().modelAllowsExpensiveNetwork);
      break;
    case ModelControls::Action::cancel:
      controller->cancel();
      break;
    case ModelControls::Action::remove:
      controller->remove();
      break;
    case ModelControls::Action::retry:
      controller->refresh();
      break;
    case ModelControls::Action::none:
      break;
  }
}

bool SettingsEditor::installModelFromFolder() {
  ModelController* controller = models();
  if (!controller ||
      !model_view::controls(controller->state(), installingFromFolder_).installFromFolder) {
    return false;
  }
  std::vector<std::string> chosen =
      services_.chooser->chooseFolders(model_view::kChooseFolderMessage);
  if (chosen.empty()) return false;
  installingFromFolder_ = true;
  controller->installFromDisk(chosen.front());
  return true;
}

std::string SettingsEditor::status() const {
  return services_.status ? services_.status() : std::string();
}

void SettingsEditor::rebuildIndex() {
  if (SearchEngine* running = engine()) running->rebuild(settings());
}

void SettingsEditor::forgetLearning() {
  if (SearchEngine* running = engine()) running->forgetLearning();
}

void SettingsEditor::checkIndex() {
  if (SearchEngine* running = engine()) running->checkIndex();
}

std::optional<DiagnosisAlert> SettingsEditor::diagnoseFile() {
  auto chosen = services_.chooser->chooseFiles(kDiagnoseMessage, false);
  if (chosen.empty()) return std::nullopt;
  auto alert = diagnosis(chosen.front());
  if (alert) services_.alerts->show(alert->title, alert->text, {"OK"});
  return alert;
}

std::optional<DiagnosisAlert> SettingsEditor::diagnosis(const std::string& path) {
  SearchEngine* running = engine();
  if (!running) return std::nullopt;
  const QuorvaleSettings& current = settings();
  FileDiagnosis::Finding finding = running->withReader([&](FileIndex& reader) {
    return FileDiagnosis::why(path, running->config(current), current.indexContents,
                              current.hiddenResults, &reader);
  });
  bool found = finding.indexed && finding.reasons.empty();
  std::string name = std::filesystem::path(path).filename().string();
  return DiagnosisAlert{.title = found ? "Quorvale can find this file" : "About " + name,
                        .text = finding.summary()};
}

}  // namespace quorvale
