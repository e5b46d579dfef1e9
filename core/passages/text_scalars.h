// Small text helpers shared by the passage code: the letter-mark-number test that every tokenizer
// here uses, and list helpers. Pure functions; safe on any thread.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale::passages {

// A Unicode letter, mark or number.
bool isAlphanumeric(char32_t c);

std::string joined(const std::vector<std::string>& parts, std::string_view separator);

template <typename T>
void appendUnique(std::vector<T>& list, T value) {
  if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(std::move(value));
}

}  // namespace quorvale::passages
