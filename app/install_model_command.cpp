#include "install_model_command.h"

#include <cstdio>

#include "instance_socket.h"
#include "model_setup.h"
#include "models/model_error.h"
#include "settings/user_defaults.h"

namespace quorvale {

int installModelCommand(const std::string& path) {
  auto store = model_setup::standardStore();
  if (!store) {
    std::printf("model not installed: the data folder cannot be used\n");
    return 1;
  }
  UserDefaults defaults(UserDefaults::standardPath());
  ModelDownloader downloader =
      model_setup::downloader(*store, ModelCatalog::fromDefaults(defaults));
  try {
    auto installed = downloader.installFromDisk(path, ModelCatalog::modelID);
    std::printf("model installed: %s (dimension %lld) in %s\n", installed.id.c_str(),
                static_cast<long long>(installed.dimension), store->payload(installed.id).c_str());
    // A running launcher loads it now rather than at its next start.
    InstanceSocket::tell("model");
    return 0;
  } catch (const std::exception& failure) {
    std::printf("model not installed: %s\n", failure.what());
    return 1;
  }
}

}  // namespace quorvale
