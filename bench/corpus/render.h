// Turns a planned file into its bytes. The caller seeds `random` from the corpus seed and the
// file's position, so a file's contents do not depend on any other file.
#pragma once

#include <string>

#include "corpus/layout.h"
#include "corpus/random.h"

namespace quorvale::bench {

std::string renderFile(const PlannedFile& file, Random& random);

}  // namespace quorvale::bench
