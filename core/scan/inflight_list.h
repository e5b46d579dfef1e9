// The content of the extraction guard's "inflight.txt": which files are being read right now and
// by which process, and which files were being read when a process stopped abnormally once.
// Every process that reads files behind the guard keeps its own entries in the one file (under
// an advisory lock, see extraction_guard.h). Plain value and pure functions; any thread.
//
// inflight.txt, UTF-8, one entry per line, ending at the first blank line (bytes after it are
// the tail of a longer earlier list, left by a stop between writing and cutting the file):
//   "reading <pid> <start ticks> <boot id> <path>"   the process (process_identity.h) is
//                                                    reading the file
//   "stopped <path>"                                 a process stopped abnormally while reading
//                                                    the file; it is read once more
// A line that starts with "/" is a path being read by a process that was not recorded (the
// form of earlier versions). Other lines are ignored. Paths never hold a line break.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "util/process_identity.h"

namespace quorvale {

struct InflightList {
  struct Reading {
    ProcessIdentity owner;  // pid 0 when not recorded
    std::string path;

    bool operator==(const Reading&) const = default;
  };

  std::vector<Reading> reading;
  std::set<std::string> stopped;

  bool operator==(const InflightList&) const = default;

  static InflightList parse(std::string_view text);
  // The lines, then the blank line that ends the list; empty when there is nothing to record.
  std::string text() const;
};

}  // namespace quorvale
