// One scored result of a file search: the record, its score (higher is better) and whether the
// name itself matched the typed words. Every file search returns hits sorted by score, highest
// first, keeping the earlier order among equal scores. A plain value, copied freely.
#pragma once

#include "index/file_record.h"

namespace quorvale {

struct Hit {
  FileRecord record;
  double score = 0;
  bool matchedName = false;

  bool operator==(const Hit&) const = default;
};

}  // namespace quorvale
