// `quorvale --embed TEXT`: prints the installed encoder's vector of the text as a JSON array of
// numbers, for scripts and checks. Runs on the calling thread and loads the model for this one
// call; it never touches the databases.
#pragma once

#include <optional>
#include <string>

namespace quorvale {

// The folder of the installed encoder model's files (config.json, tokenizer.json,
// model.safetensors) in the model store; nothing when the model is not installed or the data
// folder cannot be used.
std::optional<std::string> installedModelFolder();

// 0 after printing the vector; 1 with a reason on standard error when no model is installed,
// the model cannot be loaded, or the text has nothing to embed.
int embedCommand(const std::string& text);

}  // namespace quorvale
