#include "passages/word_table.h"

namespace quorvale {

const WordTable* platformWordTable() {
  return nullptr;
}

bool expansionAvailable() {
  return platformWordTable() != nullptr;
}

}  // namespace quorvale
