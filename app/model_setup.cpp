#include "model_setup.h"

#include "data_folder.h"

namespace quorvale::model_setup {

std::optional<ModelStore> standardStore() {
  std::optional<std::string> data = dataFolder();
  if (!data) return std::nullopt;
  return ModelStore(*data + "/Models");
}

ModelDownloader downloader(ModelStore store, const ModelCatalog& catalog) {
  return ModelDownloader(
      std::move(store), catalog.publicKey(),
      {.allowedHosts = catalog.allowedHosts(), .checkPayload = ModelCatalog::loadCheck});
}

std::unique_ptr<ModelController> controller(Executor& main, const UserDefaults& defaults) {
  auto store = standardStore();
  if (!store) return nullptr;
  ModelCatalog catalog = ModelCatalog::fromDefaults(defaults);
  return std::make_unique<ModelController>(main, downloader(*store, catalog), catalog.manifestURL,
                                           ModelCatalog::modelID);
}

}  // namespace quorvale::model_setup
