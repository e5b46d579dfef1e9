// The snippets of the keystroke benchmarks: fifty, as a heavy user might keep, two of them with
// keywords that the benchmarks' texts type.
#pragma once

#include <string>
#include <vector>

#include "quick/snippets.h"

namespace quorvale::bench {

inline std::vector<Snippet> fiftySnippets() {
  std::vector<Snippet> snippets;
  for (int i = 0; i < 50; ++i) {
    snippets.push_back(Snippet::make("kw" + std::to_string(i),
                                     "Snippet number " + std::to_string(i),
                                     "Hello {clipboard}, today is {date}"));
  }
  snippets[48] = Snippet::make("sig", "Signature", "Regards,\nMe ({datetime})");
  snippets[49] = Snippet::make("addr", "Home address", "1 Main Street");
  return snippets;
}

}  // namespace quorvale::bench
