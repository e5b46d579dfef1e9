#include "single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QTemporaryDir>
#include <thread>

namespace quorvale {
namespace {

// A socket file left behind by an instance that is gone is replaced.
TEST(SingleInstanceTest, ASecondStartForwardsItsRequest) {
  QTemporaryDir dir;
  QString path = dir.path() + "/quorvale.socket";
  {
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  }
  EXPECT_FALSE(SingleInstance::forward(LaunchMode::Request::toggle, path));

  SingleInstance first;
  std::vector<LaunchMode::Request> heard;
  ASSERT_TRUE(first.listen([&](LaunchMode::Request request) { heard.push_back(request); }, path));

  // The second start runs in another thread here, as it would in another process.
  bool forwarded = false;
  std::thread second([&] {
    forwarded = SingleInstance::forward(LaunchMode::Request::toggle, path) &&
                SingleInstance::forward(LaunchMode::Request::clip, path) &&
                SingleInstance::forward(LaunchMode::Request::settings, path);
  });
  QElapsedTimer timer;
  timer.start();
  while (heard.size() < 3 && timer.elapsed() < 5000) QCoreApplication::processEvents();
  second.join();
  EXPECT_TRUE(forwarded);
  EXPECT_EQ(heard, (std::vector{LaunchMode::Request::toggle, LaunchMode::Request::clip,
                                LaunchMode::Request::settings}));
}

}  // namespace
}  // namespace quorvale
