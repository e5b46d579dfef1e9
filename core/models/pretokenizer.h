// The byte-level tokenizer's first cut: a stretch of text becomes pieces by the GPT-2 rules
// (contractions, runs of letters, of numbers, of other scalars, each with an optional leading
// space, and runs of white space). The byte-pair merges then run on each piece separately.
// Pure functions; safe on any thread.
#pragma once

#include <functional>
#include <string_view>

namespace quorvale::pretokenizer {

enum class Cls { letter, number, whitespace, other };

// From the scalar's general category (L* but not Mn/Mc: letter; Nd, Nl, No: number) and its
// White_Space property.
Cls classOf(char32_t scalar);

// Calls `emit` with each piece of `stretch`, in order; the pieces cover the stretch exactly.
void split(std::u32string_view stretch, const std::function<void(std::u32string_view)>& emit);

}  // namespace quorvale::pretokenizer
