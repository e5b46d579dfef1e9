// The main executor of the desktop shell: work posted from any thread runs on the Qt event
// loop's thread, delayed work on a single-shot timer there. Create it on the main thread after
// the QApplication.
#pragma once

#include <QObject>
#include <thread>

#include "util/executor.h"

namespace quorvale {

class QtExecutor final : public Executor {
 public:
  QtExecutor();

  void post(Work work) override;
  WorkHandle postDelayed(Duration delay, Work work) override;
  bool isCurrent() const override;

 private:
  QObject context_;
  std::thread::id owner_;
};

}  // namespace quorvale
