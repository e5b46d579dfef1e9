#include "index/edit_distance.h"

#include <algorithm>
#include <string>
#include <vector>

#include "util/unicode.h"

namespace quorvale::EditDistance {

int damerau(std::string_view a, std::string_view b) {
  std::u32string s = unicode::scalars(a);
  std::u32string t = unicode::scalars(b);
  const std::size_t n = s.size();
  const std::size_t m = t.size();
  // Three rolling rows: two back (for swaps), previous and current.
  std::vector<int> twoBack(m + 1), previous(m + 1), current(m + 1);
  for (std::size_t j = 0; j <= m; ++j) previous[j] = static_cast<int>(j);
  for (std::size_t i = 1; i <= n; ++i) {
    current[0] = static_cast<int>(i);
    for (std::size_t j = 1; j <= m; ++j) {
      int cost = s[i - 1] == t[j - 1] ? 0 : 1;
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && s[i - 1] == t[j - 2] && s[i - 2] == t[j - 1]) {
        current[j] = std::min(current[j], twoBack[j - 2] + 1);
      }
    }
    std::swap(twoBack, previous);
    std::swap(previous, current);
  }
  return previous[m];
}

}  // namespace quorvale::EditDistance
