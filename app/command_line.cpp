#include "command_line.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "embed_command.h"
#include "install_model_command.h"
#include "login_item.h"
#include "search_engine.h"
#include "settings/settings_store.h"
#include "settings/user_defaults.h"
#include "terminal_text.h"
#include "util/main_executor.h"
#include "util/platform_profile.h"

namespace quorvale {
namespace {

constexpr const char* kUsage =
    "usage: quorvale [--status | --scan [FOLDER...] | --query TEXT [--json] |\n"
    "                 --embed TEXT | --install-model PATH | --enable-login-item |\n"
    "                 --disable-login-item]";

std::atomic<bool> interrupted = false;

std::string absolute(const std::string& path) {
  std::error_code error;
  auto full = std::filesystem::absolute(path, error);
  return error ? path : full.lexically_normal().string();
}

std::string executablePath(const char* argv0) {
  char buffer[PATH_MAX];
  ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length > 0) return std::string(buffer, static_cast<std::size_t>(length));
  return absolute(argv0);
}

// Everything a job needs: the stored settings and the engine opened as the launcher opens it.
struct Session {
  UserDefaults defaults{UserDefaults::standardPath()};
  SettingsStore store{defaults};
  MainExecutor main;
  std::unique_ptr<SearchEngine> engine;

  // Opens the engine; false (with the reason on standard error) when it cannot be opened.
  bool open(const PlatformServices& platform, bool watch) {
    EngineServices services;
    services.defaults = &defaults;
    services.main = &main;
    services.energy = platform.energy;
    services.runningApps = platform.runningApps;
    if (watch) services.makeWatcher = platform.makeWatcher;
    services.settingsAreTheUsers = store.fromUser();
    if (store.loadProblem()) std::fprintf(stderr, "quorvale: %s\n", store.loadProblem()->c_str());
    try {
      engine = std::make_unique<SearchEngine>(store.settings().clipboard, std::move(services));
    } catch (const std::exception& error) {
      std::fprintf(stderr, "quorvale: %s\n", error.what());
      return false;
    }
    if (engine->clips().loadProblem()) {
      std::fprintf(stderr, "quorvale: %s\n", engine->clips().loadProblem()->c_str());
    }
    if (engine->setAsideIndex()) {
      std::fprintf(stderr, "quorvale: the damaged index was moved to %s\n",
                   engine->setAsideIndex()->c_str());
    }
    return true;
  }

  void printStatusLine() {
    std::printf("indexed=%lld supportDir=%s\n", static_cast<long long>(engine->reader().count()),
                engine->supportDir().c_str());
  }
};

int loginItemCommand(bool enable, const char* argv0) {
  bool enabled = LoginItem::setEnabled(enable, executablePath(argv0));
  if (enable) {
    if (enabled) {
      std::printf("login item enabled\n");
    } else {
      std::printf("login item not enabled: %s\n",
                  std::string(platformProfile().loginItemRefused).c_str());
    }
  } else {
    std::printf(enabled ? "login item still enabled\n" : "login item removed\n");
  }
  return 0;
}

int statusCommand(const PlatformServices& platform) {
  Session session;
  if (!session.open(platform, false)) {
    std::printf("index unavailable\n");
    return 0;
  }
  session.printStatusLine();
  return 0;
}

// Why a folder named on the command line cannot be scanned; nothing when it can be opened.
std::optional<std::string> unscannable(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::string(errno == ENOTDIR ? "not a folder" : std::strerror(errno));
  ::close(fd);
  return std::nullopt;
}

// A full scan in the foreground: of the configured roots, or of the given folders as the roots
// of this one scan. Ctrl-C stops it between two files, leaving a consistent index. A scan that
// could not do its job (a folder that cannot be opened, a database that refused the writes)
// says why on standard error and exits with 1.
int scanCommand(const PlatformServices& platform, const std::vector<std::string>& folders) {
  StartOptions options;
  for (const auto& folder : folders) {
    std::string path = absolute(folder);
    if (auto reason = unscannable(path)) {
      std::fprintf(stderr, "quorvale: cannot scan %s: %s\n", path.c_str(), reason->c_str());
      return 1;
    }
    options.scanRoots.push_back(path);
  }
  Session session;
  if (!session.open(platform, false)) {
    std::printf("index unavailable\n");
    return 1;
  }
  QuorvaleSettings settings = session.store.settings();
  SearchEngine& engine = *session.engine;
  bool terminal = isatty(STDERR_FILENO);
  engine.onStatusChange = [&] {
    std::string status = engine.status();
    std::fprintf(stderr, terminal ? "\r\033[K%s" : "%s\n", status.c_str());
  };
  struct sigaction onInterrupt {};
  onInterrupt.sa_handler = [](int) { interrupted = true; };
  sigaction(SIGINT, &onInterrupt, nullptr);
  sigaction(SIGTERM, &onInterrupt, nullptr);

  engine.start(settings, options);
  bool cancelled = false;
  while (engine.scanPending()) {
    session.main.runUntil([&] { return !engine.scanPending() || interrupted; },
                          std::chrono::milliseconds(100));
    if (interrupted && !cancelled) {
      engine.cancelScan();
      cancelled = true;
    }
  }
  engine.waitUntilIdle();
  session.main.runPending();
  if (terminal) std::fprintf(stderr, "\n");
  for (const auto& path : engine.unreadable())
    std::fprintf(stderr, "unreadable: %s\n", path.c_str());
  for (const auto& problem : engine.problems())
    std::fprintf(stderr, "quorvale: %s\n", problem.c_str());
  session.printStatusLine();
  if (cancelled) return 130;
  if (auto failure = engine.scanFailure()) {
    std::fprintf(stderr, "quorvale: the scan failed: %s\n", failure->c_str());
    return 1;
  }
  return 0;
}

int queryCommand(const PlatformServices& platform, const std::string& text, bool json) {
  Session session;
  if (!session.open(platform, false)) {
    std::printf("index unavailable\n");
    return 1;
  }
  std::vector<Suggestion> rows =
      session.engine->search(text, session.store.settings(), std::nullopt);
  if (json) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& row : rows) {
      array.push_back({{"id", row.id},
                       {"title", row.title},
                       {"subtitle", row.subtitle},
                       {"payload", std::string(row.payload.kind())}});
    }
    std::printf("%s\n",
                array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else {
    // One row per line, two fields split by a tab: names that hold either cannot break that.
    for (const auto& row : rows) {
      std::printf("%s\t%s\n", terminal_text::escaped(row.title).c_str(),
                  terminal_text::escaped(row.subtitle).c_str());
    }
  }
  // Removals of vanished files found by the search finish before the engine closes.
  session.engine->waitUntilIdle();
  return 0;
}

bool has(const std::vector<std::string>& args, const std::string& flag) {
  return std::find(args.begin(), args.end(), flag) != args.end();
}

}  // namespace

int runCommandLine(int argc, char** argv, const PlatformServices& platform) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const char* argv0 = argc > 0 ? argv[0] : "quorvale";

  // The launcher's own switches, in this order; the first present wins.
  if (has(args, "--enable-login-item")) return loginItemCommand(true, argv0);
  if (has(args, "--disable-login-item")) return loginItemCommand(false, argv0);
  if (has(args, "--status")) return statusCommand(platform);
  auto demo = std::find(args.begin(), args.end(), "--demo");
  if (demo != args.end() && demo + 1 != args.end()) {
    std::fprintf(stderr, "quorvale: the demonstration needs the desktop panel, not built yet\n");
    std::printf("demo failed\n");
    return 1;
  }

  if (!args.empty() && args.front() == "--scan") {
    return scanCommand(platform, {args.begin() + 1, args.end()});
  }
  auto embed = std::find(args.begin(), args.end(), "--embed");
  if (embed != args.end() && embed + 1 != args.end()) return embedCommand(*(embed + 1));
  auto install = std::find(args.begin(), args.end(), "--install-model");
  if (install != args.end() && install + 1 != args.end())
    return installModelCommand(*(install + 1));
  auto query = std::find(args.begin(), args.end(), "--query");
  if (query != args.end()) {
    if (query + 1 == args.end()) {
      std::fprintf(stderr, "%s\n", kUsage);
      return 2;
    }
    return queryCommand(platform, *(query + 1), has(args, "--json"));
  }
  std::fprintf(stderr, "%s\n", kUsage);
  bool onlyTrailingDemo = args.size() == 1 && args.front() == "--demo";
  return args.empty() || onlyTrailingDemo ? 0 : 2;
}

}  // namespace quorvale
