#include "instance_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <thread>

#include "support/test_support.h"
#include "util/unique_fd.h"

namespace quorvale {
namespace {

// A launcher's socket that takes one request and answers "ok".
class Listener {
 public:
  explicit Listener(const std::string& path) : fd_(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    EXPECT_EQ(bind(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_EQ(listen(fd_.get(), 1), 0);
    thread_ = std::thread([this] {
      UniqueFd client(accept(fd_.get(), nullptr, nullptr));
      char buffer[64] = {};
      const ssize_t got = recv(client.get(), buffer, sizeof(buffer) - 1, 0);
      if (got > 0) received_.assign(buffer, static_cast<std::size_t>(got));
      send(client.get(), "ok\n", 3, MSG_NOSIGNAL);
    });
  }
  ~Listener() {
    if (thread_.joinable()) thread_.join();
  }
  std::string received() {
    thread_.join();
    return received_;
  }

 private:
  UniqueFd fd_;
  std::thread thread_;
  std::string received_;
};

TEST(InstanceSocketTest, HandsTheRequestToTheLauncherListeningInTheRuntimeFolder) {
  testing::TempDir dir;
  const std::string path = dir / "quorvale.socket";
  EXPECT_FALSE(InstanceSocket::tell("model", path));  // nobody listens yet
  Listener launcher(path);
  EXPECT_TRUE(InstanceSocket::tell("model", path));
  EXPECT_EQ(launcher.received(), "model\n");

  // The socket lives in the runtime folder, or else in a folder of the user's own.
  setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
  EXPECT_EQ(InstanceSocket::path(), "/run/user/1000/quorvale.socket");
  setenv("XDG_RUNTIME_DIR", "relative/run", 1);
  EXPECT_EQ(InstanceSocket::path(), InstanceSocket::fallbackFolder() + "/quorvale.socket");
  EXPECT_NE(InstanceSocket::fallbackFolder().find("quorvale-" + std::to_string(getuid())),
            std::string::npos);
  unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace quorvale
