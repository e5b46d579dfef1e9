// The content extractor the scan benchmark measures with.
#pragma once

#include <memory>

#include "scan/content_extractor.h"

namespace quorvale::bench {

std::unique_ptr<ContentExtractor> benchExtractor();

}  // namespace quorvale::bench
