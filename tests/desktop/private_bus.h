// Servers of a test's own (a message bus, an X server), and a wait for what arrives. Header only.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace quorvale::testing {

// A server started as `command`, where "{fd}" in an argument stands for a pipe on which the
// server writes one line (its address) once it accepts connections. Stopped when destroyed;
// `line()` is empty when it could not be started.
class ChildServer {
 public:
  explicit ChildServer(std::vector<std::string> command) {
    int pipe[2];
    if (::pipe(pipe) != 0) return;
    for (std::string& argument : command) {
      if (auto at = argument.find("{fd}"); at != std::string::npos) {
        argument.replace(at, 4, std::to_string(pipe[1]));
      }
    }
    std::vector<char*> argv;
    for (std::string& argument : command) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      close(pipe[0]);
      dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);
      execvp(argv[0], argv.data());
      _exit(127);
    }
    close(pipe[1]);
    char c;
    while (read(pipe[0], &c, 1) == 1 && c != '\n') line_ += c;
    close(pipe[0]);
  }
  ~ChildServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& line() const { return line_; }

 private:
  pid_t pid_ = -1;
  std::string line_;
};

// A message bus of the test's own (dbus-daemon --session), standing in for both buses.
class PrivateBus {
 public:
  QString address() const { return QString::fromStdString(daemon_.line()); }

 private:
  ChildServer daemon_{
      {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address={fd}"}};
};

// A fake service offered on a private bus under a well-known name, and a client connection to
// the same bus; both connections are closed when it goes.
class FakeServiceBus {
 public:
  FakeServiceBus(const QString& path, QDBusVirtualObject* object, const QString& name) {
    service.registerVirtualObject(path, object, QDBusConnection::SubPath);
    service.registerService(name);
  }
  ~FakeServiceBus() {
    QDBusConnection::disconnectFromBus("fake-service");
    QDBusConnection::disconnectFromBus("fake-client");
  }

  PrivateBus bus;
  QDBusConnection service = QDBusConnection::connectToBus(bus.address(), "fake-service");
  QDBusConnection client = QDBusConnection::connectToBus(bus.address(), "fake-client");
};

// Runs the event loop until `done` holds, for at most five seconds.
inline bool waitFor(const std::function<bool()>& done) {
  QDeadlineTimer deadline(5000);
  while (!done() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

}  // namespace quorvale::testing
