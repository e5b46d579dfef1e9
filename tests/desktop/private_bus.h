// A message bus of a test's own, and a wait for what arrives over it. Header only.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <functional>
#include <string>

namespace quorvale::testing {

// A message bus of the test's own (dbus-daemon --session), standing in for both buses.
class PrivateBus {
 public:
  PrivateBus() {
    int pipe[2];
    if (::pipe(pipe) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(pipe[0]);
      std::string fd = "--print-address=" + std::to_string(pipe[1]);
      execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile", fd.c_str(),
             nullptr);
      _exit(127);
    }
    close(pipe[1]);
    char c;
    while (read(pipe[0], &c, 1) == 1 && c != '\n') address_ += c;
    close(pipe[0]);
  }
  ~PrivateBus() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  QString address() const { return QString::fromStdString(address_); }

 private:
  pid_t pid_ = -1;
  std::string address_;
};

// Runs the event loop until `done` holds, for at most five seconds.
inline bool waitFor(const std::function<bool()>& done) {
  QDeadlineTimer deadline(5000);
  while (!done() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

}  // namespace quorvale::testing
