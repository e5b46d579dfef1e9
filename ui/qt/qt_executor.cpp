#include "qt_executor.h"

#include <QMetaObject>
#include <QTimer>
#include <chrono>

namespace quorvale {

QtExecutor::QtExecutor() : owner_(std::this_thread::get_id()) {}

void QtExecutor::post(Work work) {
  QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
}

WorkHandle QtExecutor::postDelayed(Duration delay, Work work) {
  auto item = std::make_shared<WorkItem>(std::move(work));
  auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(delay).count();
  if (milliseconds < 0) milliseconds = 0;
  // Timers belong to the thread that starts them: start this one on the main thread.
  post([this, item, milliseconds] {
    QTimer::singleShot(static_cast<int>(milliseconds), &context_, [item] { item->run(); });
  });
  return WorkHandle(item);
}

bool QtExecutor::isCurrent() const {
  return std::this_thread::get_id() == owner_;
}

}  // namespace quorvale
