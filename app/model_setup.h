// Where the application keeps its models and how it checks them: the model store in the data
// folder, and a downloader set up from the catalogue's deployment values with the encoder's own
// load as the check before anything is recorded. Used by the application object, the command
// line and the engine; any thread.
#pragma once

#include <optional>
#include <string>

#include "models/model_catalog.h"
#include "models/model_downloader.h"
#include "models/model_store.h"

namespace quorvale::model_setup {

// The store in "<data folder>/Models"; nothing when the data folder cannot be had.
std::optional<ModelStore> standardStore();

// A downloader into the store, trusting the catalogue's key and hosts.
ModelDownloader downloader(ModelStore store, const ModelCatalog& catalog);

}  // namespace quorvale::model_setup
