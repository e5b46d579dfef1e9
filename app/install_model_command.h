// `quorvale --install-model PATH`: installs the encoder's model from files on disk (a folder,
// or a zip archive, holding config.json, tokenizer.json and model.safetensors) into the model
// store, through the same staging, checks and record as a download; the encoder must load from
// the staged copy before anything is recorded. Runs on the calling thread.
#pragma once

#include <string>

namespace quorvale {

// Prints one line: "model installed: ..." and returns 0, or "model not installed: <reason>" and
// returns 1.
int installModelCommand(const std::string& path);

}  // namespace quorvale
