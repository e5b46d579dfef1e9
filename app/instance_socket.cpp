#include "instance_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "util/unique_fd.h"

namespace quorvale::InstanceSocket {
namespace {

constexpr int kWaitMilliseconds = 1000;

bool waitFor(int fd, short events) {
  pollfd entry{.fd = fd, .events = events, .revents = 0};
  return poll(&entry, 1, kWaitMilliseconds) == 1 && (entry.revents & events) != 0;
}

}  // namespace

std::string fallbackFolder() {
  return (std::filesystem::temp_directory_path() / ("quorvale-" + std::to_string(getuid())))
      .string();
}

std::string path() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/quorvale.socket";
  return fallbackFolder() + "/quorvale.socket";
}

bool tell(std::string_view request, const std::string& socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
  UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) return false;
  if (connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    return false;
  }
  std::string line = std::string(request) + "\n";
  if (send(fd.get(), line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
    return false;
  }
  char answer[8];
  return waitFor(fd.get(), POLLIN) && recv(fd.get(), answer, sizeof(answer), 0) > 0;
}

}  // namespace quorvale::InstanceSocket
