// Generated contents of text-like files: plain text, markdown, logs, CSV, JSON, YAML, HTML and
// CSS. Each renders about `size` bytes (never much more than one line past it) from the given
// Random and the corpus vocabulary.
#pragma once

#include <cstddef>
#include <string>

#include "corpus/random.h"

namespace quorvale::bench {

std::string plainText(Random& random, std::size_t size);
std::string markdown(Random& random, std::size_t size);
std::string logLines(Random& random, std::size_t size);
std::string csvTable(Random& random, std::size_t size);
std::string jsonDocument(Random& random, std::size_t size);
std::string yamlDocument(Random& random, std::size_t size);
std::string htmlPage(Random& random, std::size_t size);
std::string styleSheet(Random& random, std::size_t size);

}  // namespace quorvale::bench
