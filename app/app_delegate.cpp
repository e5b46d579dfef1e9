#include "app_delegate.h"

#include <cstdio>

#include "index/result_explainer.h"
#include "scan/desktop_entry.h"
#include "settings/web_search.h"
#include "util/xdg_paths.h"

namespace quorvale {
namespace {

constexpr std::string_view kClipPrefill = "clip ";
constexpr std::string_view kSettingsScheme = "settings:";

// The path with the home folder written as "~", as the alert shows it.
std::string tildePath(const std::string& path) {
  auto home = xdg::home();
  if (home && !home->empty() && path.rfind(*home + "/", 0) == 0) {
    return "~" + path.substr(home->size());
  }
  return path;
}

bool isDesktopEntry(const FileRecord& record) {
  return record.kind == FileKind::app && record.ext == "desktop";
}

}  // namespace

AppDelegate::AppDelegate(AppServices services)
    : services_(std::move(services)),
      store_(*services_.defaults),
      panel_(services_.panel),
      clipboard_(*services_.clipboard, *services_.main) {}

AppDelegate::~AppDelegate() {
  *alive_ = false;
  settle_.cancel();
  concealedClear_.cancel();
  if (observerToken_ >= 0) store_.stopObserving(observerToken_);
  shutdown();
}

bool AppDelegate::start() {
  try {
    engine_ = services_.makeEngine(store_.settings().clipboard);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quorvale: %s\n", error.what());
    services_.alerts->show("Quorvale could not open its data folder",
                           "Quorvale keeps its search index in " + tildePath(services_.dataFolder) +
                               ". Check that the folder can be written to, then open Quorvale "
                               "again.",
                           {"OK"});
    services_.terminate();
    return false;
  }
  engine_->onStatusChange = [this] { lastStatus_ = engine_->status(); };
  if (services_.makeStatusItem) statusItem_ = services_.makeStatusItem(*this);
  installPanelCallbacks();
  installClipboardCallbacks();
  startModels();
  applySettings();
  lastApplied_ = store_.settings();
  observed_ = store_.settings();
  observerToken_ = store_.observe([this](const SettingsStore&) { settingsObserved(); });
  if (store_.settings().setupVersion > 0) {
    engine_->start(store_.settings(), {.prepareSearches = true});
    engineStarted_ = true;
  } else if (services_.showSetup) {
    services_.showSetup();
  } else {
    finishSetup();
  }
  return true;
}

void AppDelegate::installPanelCallbacks() {
  PanelModel& model = panel_.model();
  model.search = [this](const std::string& query) { return search(query); };
  if (services_.searchInBackground && services_.main) {
    panelSearch_ = std::make_unique<PanelSearch>(
        model, *services_.main, [this](const std::string& query) { return searchJob(query); });
  }
  model.activate = [this](const Suggestion& row, Modifiers modifiers) { activate(row, modifiers); };
  model.hideResult = [this](const Suggestion& row) {
    const auto* record = row.payload.as<FileRecord>();
    if (!record) return;
    QuorvaleSettings settings = store_.settings();
    auto& hidden = settings.hiddenResults;
    if (std::find(hidden.begin(), hidden.end(), record->path) != hidden.end()) return;
    hidden.push_back(record->path);
    saveSettings(std::move(settings));
  };
  model.leaveOutFolder = [this](const Suggestion& row) {
    const auto* record = row.payload.as<FileRecord>();
    if (!record) return;
    QuorvaleSettings settings = store_.settings();
    std::string folder = deletingLastPathComponent(record->path);
    auto& excluded = settings.excludedPaths;
    if (std::find(excluded.begin(), excluded.end(), folder) != excluded.end()) return;
    excluded.push_back(folder);
    saveSettings(std::move(settings));
  };
  model.explainResult = [this](const Suggestion& row, const std::string& query) {
    return explain(row, query);
  };
  model.googleSearch = [this](const std::string& text) {
    WebSearch google{.keyword = "g",
                     .name = "Google",
                     .url = "https://www.google.com/search?q={query}",
                     .ask = false};
    auto url = google.urlFor(text);
    if (!url) return;
    hidePanel();
    services_.workspace->openURL(*url);
  };
}

void AppDelegate::installClipboardCallbacks() {
  clipboard_.policy = [this] { return store_.settings().clipboard; };
  clipboard_.onClip = [this](const std::string& text, const std::optional<std::string>& source,
                             const std::vector<std::string>& types) {
    if (!engine_) return;
    const ClipPolicy& policy = store_.settings().clipboard;
    RecordOutcome outcome = engine_->clips().record(text, source, types, services_.now(), policy);
    if (outcome.kind != RecordOutcome::Kind::skipped) engine_->scheduleClipSave(policy);
  };
}

void AppDelegate::startModels() {
  if (services_.makeModelController) models_ = services_.makeModelController();
  if (!models_) return;
  models_->setOnChange([this] { modelInstallChanged(); });
  models_->setOnStateChange([this](const ModelController::State&) {
    if (modelObserver_) modelObserver_();
  });
}

void AppDelegate::modelInstallChanged() {
  // Before setup is finished the engine has nothing to embed; its start reads the model.
  if (engine_ && engineStarted_) engine_->modelChanged(store_.settings());
  if (modelObserver_) modelObserver_();
}

void AppDelegate::modelFilesChanged() {
  if (!models_) return;
  const auto installedRecord = [this] {
    const auto* installed = std::get_if<ModelController::Installed>(&models_->state());
    return installed ? std::optional(installed->record) : std::nullopt;
  };
  const auto before = installedRecord();
  models_->refresh();
  if (installedRecord() != before) modelInstallChanged();
}

std::vector<Suggestion> AppDelegate::search(const std::string& query) {
  if (!engine_) return {};
  const QuorvaleSettings& settings = store_.settings();
  std::optional<std::string> clipboardText;
  if (settings.clipboard.enabled) clipboardText = services_.clipboard->text();
  return engine_->search(query, settings, clipboardText);
}

LatestSearch::Job AppDelegate::searchJob(const std::string& query) {
  if (!engine_) return [] { return std::vector<Suggestion>{}; };
  const QuorvaleSettings& settings = store_.settings();
  std::optional<std::string> clipboardText;
  if (settings.clipboard.enabled) clipboardText = services_.clipboard->text();
  // The history is copied only when it changed since the last keystroke's copy.
  const ClipStore& clips = engine_->clips();
  if (!clipsCopy_ || clipsCopy_->revision() != clips.revision()) {
    clipsCopy_ = std::make_shared<const ClipStore>(clips);
  }
  return [engine = engine_.get(), query, settings, clipboardText, clips = clipsCopy_] {
    return engine->search(query, settings, clipboardText, *clips);
  };
}

std::string AppDelegate::explain(const Suggestion& row, const std::string& query) {
  const auto* record = row.payload.as<FileRecord>();
  if (!record) return {};
  std::vector<FileRecord> shown;
  for (const auto& item : panel_.model().items()) {
    if (const auto* file = item.payload.as<FileRecord>()) shown.push_back(*file);
  }
  return ResultExplainer::explain(*record, query, std::nullopt, shown);
}

void AppDelegate::openPanel(const std::optional<std::string>& prefill) {
  panel_.model().setNotice(std::nullopt);
  if (panel_.isVisible()) {
    panel_.hide();
  } else {
    panel_.show(prefill);
  }
}

std::vector<MenuItem> AppDelegate::menuItems() {
  std::string status = lastStatus_;
  // Where the desktop keeps the clipboard from us, the status line says why history stays empty.
  if (auto note = services_.clipboard->unavailableNote();
      note && store_.settings().clipboard.enabled) {
    status += " · " + *note;
  }
  return {
      {.title = status, .enabled = false, .action = nullptr},
      {},
      {.title = "Open Quorvale", .enabled = true, .action = [this] { openPanel(std::nullopt); }},
      {.title = "Clipboard History",
       .enabled = true,
       .action = [this] { openPanel(std::string(kClipPrefill)); }},
      {},
      {.title = "Settings…", .enabled = true, .action = [this] { showSettings(); }},
      {.title = "Quit Quorvale", .enabled = true, .action = [this] { quit(); }},
  };
}

void AppDelegate::showSettings() {
  if (services_.showSettings) {
    services_.showSettings();
    return;
  }
  // Until there is a settings window, the settings file is the settings: make sure it exists,
  // then open it in the user's editor. Saved changes come back through `settingsFileChanged`.
  if (!services_.defaults->value(UserDefaults::kSettingsKey)) saveSettings(store_.settings());
  services_.workspace->openFile(services_.defaults->path());
}

void AppDelegate::hidePanel() {
  panel_.hide();
}

void AppDelegate::activate(const Suggestion& row, Modifiers modifiers) {
  const Payload& payload = row.payload;
  if (const auto* calculation = payload.as<Payload::Calculation>()) {
    copy(calculation->text, row.id == "tool-secret");
    hidePanel();
  } else if (const auto* snippet = payload.as<Payload::SnippetText>()) {
    copy(snippet->text, row.id == "tool-secret");
    hidePanel();
  } else if (const auto* web = payload.as<Payload::WebSearchURL>()) {
    hidePanel();
    openAddress(web->url);
  } else if (const auto* record = payload.as<FileRecord>()) {
    if (engine_) engine_->recordUse(panel_.model().query(), record->path);
    FileRecord file = *record;  // the row goes away with the panel's reset
    hidePanel();
    openFileRow(file, modifiers);
  } else if (const auto* clip = payload.as<ClipItem>()) {
    clipboard_.ignoreNextChange();
    services_.clipboard->write(clip->text, false);
    hidePanel();
  } else if (const auto* system = payload.as<Payload::SystemCommandID>()) {
    std::string id = system->id;
    hidePanel();
    runSystem(id);
  }
}

void AppDelegate::openFileRow(const FileRecord& record, Modifiers modifiers) {
  if (modifiers.command) {
    services_.workspace->reveal(record.path);
  } else if (modifiers.option) {
    clipboard_.ignoreNextChange();
    services_.clipboard->write(record.path, false);
  } else if (isDesktopEntry(record)) {
    launchEntry(record.path);
  } else {
    services_.workspace->openFile(record.path);
  }
}

void AppDelegate::launchEntry(const std::string& path) {
  auto entry = readDesktopEntry(path);
  if (!entry) return;
  DesktopLaunch::Options options;
  options.entryPath = path;
  if (entry->terminal) options.terminal = services_.workspace->terminal();
  // An entry that cannot be launched is passed over, as any command that fails to start.
  if (auto command = DesktopLaunch::command(*entry, options)) services_.workspace->launch(*command);
}

void AppDelegate::openAddress(const std::string& url) {
  if (url.rfind(kSettingsScheme, 0) == 0) {
    services_.workspace->openSettingsPage(url.substr(kSettingsScheme.size()));
  } else {
    services_.workspace->openURL(url);
  }
}

void AppDelegate::copy(const std::string& text, bool concealed) {
  clipboard_.ignoreNextChange();
  services_.clipboard->write(text, concealed);
  concealedClear_.cancel();
  if (!concealed) return;
  std::uint64_t count = services_.clipboard->changeCount();
  std::weak_ptr<bool> alive = alive_;
  concealedClear_ = services_.main->postDelayed(kConcealedClear, [this, alive, count] {
    if (alive.expired() || services_.clipboard->changeCount() != count) return;
    clipboard_.ignoreNextChange();
    services_.clipboard->clear();
  });
}

void AppDelegate::runSystem(const std::string& id) {
  Workspace& workspace = *services_.workspace;
  auto colon = id.find(':');
  std::string verb = id.substr(0, colon);
  std::string app = colon == std::string::npos ? "" : id.substr(colon + 1);
  if (id == "sleep") {
    workspace.suspend();
  } else if (id == "displaysleep") {
    workspace.lockScreen();
  } else if (id == "screensaver") {
    workspace.startScreenSaver();
  } else if (verb == "quit" && colon != std::string::npos) {
    workspace.quit(app, false);
  } else if (verb == "forcequit" && colon != std::string::npos) {
    workspace.activateSelf();
    auto name = workspace.runningName(app);
    int button =
        services_.alerts->show("Force quit " + name.value_or("this app") + "?",
                               "Unsaved changes in it will be lost.", {"Force Quit", "Cancel"});
    if (button == 0) workspace.quit(app, true);
  }
}

void AppDelegate::applySettings() {
  const QuorvaleSettings& settings = store_.settings();
  if (services_.hotKeys) {
    std::set<int> failed = services_.hotKeys->registerKeys({
        {.hotKey = settings.hotKey, .action = [this] { openPanel(std::nullopt); }},
        {.hotKey = settings.clipboardHotKey,
         .action = [this] { openPanel(std::string(kClipPrefill)); }},
    });
    if (failed != store_.unavailable()) store_.setUnavailable(std::move(failed));
  }
  if (statusItem_) statusItem_->setVisible(store_.settings().showMenuBarIcon);
  if (store_.settings().clipboard.enabled) {
    clipboard_.start();
  } else {
    clipboard_.stop();
  }
}

void AppDelegate::settingsObserved() {
  // The store also reports changes of `unavailable`; only a changed record waits to settle.
  if (store_.settings() == observed_) return;
  observed_ = store_.settings();
  settle_.cancel();
  std::weak_ptr<bool> alive = alive_;
  settle_ = services_.main->postDelayed(kSettingsSettle, [this, alive] {
    if (!alive.expired()) settled();
  });
}

void AppDelegate::settled() {
  applySettings();
  QuorvaleSettings now = store_.settings();
  // Before setup is finished nothing is scanned, whatever the setup window changes.
  if (lastApplied_ && engine_ && engineStarted_) engine_->settingsChanged(*lastApplied_, now);
  lastApplied_ = std::move(now);
}

void AppDelegate::settingsFileChanged() {
  store_.reload();
}

void AppDelegate::finishSetup() {
  std::int64_t before = store_.settings().setupVersion;
  QuorvaleSettings settings = store_.settings();
  settings.setupVersion = QuorvaleSettings::currentSetupVersion;
  saveSettings(std::move(settings));
  applySettings();
  if (before < 1 && engine_) {
    engine_->start(store_.settings(), {.prepareSearches = true});
    engineStarted_ = true;
    // The start brought the index in line with these settings.
    lastApplied_ = store_.settings();
  }
}

void AppDelegate::shortcutRecording(bool recording) {
  if (!recording) {
    applySettings();
  } else if (services_.hotKeys) {
    services_.hotKeys->registerKeys({});
  }
}

void AppDelegate::saveSettings(QuorvaleSettings settings) {
  try {
    store_.setSettings(std::move(settings));
  } catch (const DefaultsError& error) {
    // The record stays current in memory; the next successful save writes it.
    std::fprintf(stderr, "quorvale: the settings could not be saved: %s\n", error.what());
  }
}

void AppDelegate::quit() {
  shutdown();
  if (services_.terminate) services_.terminate();
}

void AppDelegate::shutdown() {
  if (shutDown_ || !engine_) return;
  shutDown_ = true;
  engine_->cancelScan();
  engine_->stopWatching();
  engine_->flushClips();
}

}  // namespace quorvale
