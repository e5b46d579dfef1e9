// Where the application keeps its models and how it checks them: the model store in the data
// folder, and a downloader set up from the catalogue's deployment values with the encoder's own
// load as the check before anything is recorded. Used by the application object, the command
// line and the engine; any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "model_controller.h"
#include "models/model_catalog.h"
#include "models/model_downloader.h"
#include "models/model_store.h"
#include "settings/user_defaults.h"

namespace quorvale::model_setup {

// The store in "<data folder>/Models"; nothing when the data folder cannot be had.
std::optional<ModelStore> standardStore();

// A downloader into the store, trusting the catalogue's key and hosts.
ModelDownloader downloader(ModelStore store, const ModelCatalog& catalog);

// The application's controller for the catalogue's model, with the deployment values stored in
// the defaults; nothing when the data folder cannot be had. Main thread.
std::unique_ptr<ModelController> controller(Executor& main, const UserDefaults& defaults);

}  // namespace quorvale::model_setup
