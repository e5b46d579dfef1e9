// Reports changes below the indexed folders so that the engine can update single paths instead
// of scanning again. The engine owns one watcher, starts it over the roots of its scan
// configuration and stops it before starting it again or at quit.
//
// Threads: `start` and `stop` are called from the main thread (or from any one thread at a
// time), never from inside the handler. The handler runs on the watcher's own serial queue, one
// batch at a time; it should hand the work on (the engine passes it to its index queue).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "scan/scanner.h"

namespace quorvale {

class FileWatcher {
 public:
  // `paths` name what changed, as the file system spells them (symbolic links of the roots
  // resolved: the engine maps them back with `Scanner::rootMapping` and `Scanner::indexPath`);
  // each path appears once per batch, created, changed, removed or the old and the new name of
  // a move alike. `mustRescan` says that changes were lost (the event queue overflowed, or some
  // folder could not be watched), so only a full scan brings the index up to date.
  using Handler = std::function<void(const std::vector<std::string>& paths, bool mustRescan)>;

  virtual ~FileWatcher() = default;

  // Starts watching the roots of `config`, leaving out the folders a scan with it would skip.
  // Does nothing when the configuration has no roots or the watcher already runs; returns
  // whether it runs now.
  virtual bool start(const ScanConfig& config, Handler handler) = 0;
  // When this returns, no handler call is running and none will come. A stopped watcher may be
  // started again.
  virtual void stop() = 0;
  virtual bool isRunning() const = 0;
};

}  // namespace quorvale
