#include "util/process_identity.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <system_error>

#include "util/whole_file.h"

namespace quorvale {
namespace {

std::optional<std::string> readProcFile(const std::string& path) {
  try {
    return readWholeFile(path);
  } catch (const std::system_error&) {
    return std::nullopt;
  }
}

std::string currentBootId() {
  std::string id = readProcFile("/proc/sys/kernel/random/boot_id").value_or("");
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  // The id is written into a space-separated line: keep it one word.
  return id.find_first_of(" \t\n") == std::string::npos ? id : std::string();
}

template <typename Number>
std::optional<Number> number(std::string_view text) {
  Number value{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Field 22 of /proc/<pid>/stat, "starttime". The second field, the command name in parentheses,
// may hold spaces and parentheses itself, so fields are counted after its last ")".
std::optional<std::uint64_t> startTicksOf(pid_t pid) {
  auto stat = readProcFile("/proc/" + std::to_string(pid) + "/stat");
  if (!stat) return std::nullopt;
  std::size_t close = stat->rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::string_view rest = std::string_view(*stat).substr(close + 1);
  constexpr int kFieldsAfterName = 19;  // state is field 3, starttime field 22
  for (int field = 0;; ++field) {
    std::size_t begin = rest.find_first_not_of(' ');
    if (begin == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(begin);
    std::size_t end = rest.find(' ');
    std::string_view word = rest.substr(0, end);
    if (field == kFieldsAfterName) return number<std::uint64_t>(word);
    if (end == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(end);
  }
}

}  // namespace

ProcessIdentity ProcessIdentity::current() {
  pid_t self = ::getpid();
  return of(self).value_or(
      ProcessIdentity{.pid = self, .startTicks = 0, .bootId = currentBootId()});
}

std::optional<ProcessIdentity> ProcessIdentity::of(pid_t pid) {
  auto started = pid > 0 ? startTicksOf(pid) : std::nullopt;
  if (!started) return std::nullopt;
  return ProcessIdentity{.pid = pid, .startTicks = *started, .bootId = currentBootId()};
}

bool ProcessIdentity::isRunning() const {
  return isRunning(currentBootId());
}

bool ProcessIdentity::isRunning(const std::string& currentBoot) const {
  if (pid <= 0) return false;
  if (!bootId.empty() && !currentBoot.empty() && currentBoot != bootId) return false;
  if (auto started = startTicksOf(pid)) return startTicks == 0 || *started == startTicks;
  // No /proc entry to read (or none to be shown): ask the system whether the id is in use.
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string ProcessIdentity::text() const {
  return std::to_string(pid) + " " + std::to_string(startTicks) + " " +
         (bootId.empty() ? std::string("-") : bootId);
}

std::optional<ProcessIdentity> ProcessIdentity::parse(std::string_view text) {
  std::size_t first = text.find(' ');
  std::size_t second = first == std::string_view::npos ? first : text.find(' ', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  auto pid = number<pid_t>(text.substr(0, first));
  auto ticks = number<std::uint64_t>(text.substr(first + 1, second - first - 1));
  std::string_view boot = text.substr(second + 1);
  if (!pid || *pid <= 0 || !ticks || boot.empty() || boot.find(' ') != std::string_view::npos) {
    return std::nullopt;
  }
  return ProcessIdentity{
      .pid = *pid, .startTicks = *ticks, .bootId = boot == "-" ? "" : std::string(boot)};
}

}  // namespace quorvale
