#include "util/shared_library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace quorvale {

SharedLibrary::SharedLibrary(std::initializer_list<std::string> names) {
  for (const std::string& name : names) {
    if (name.empty()) continue;
    // Bound lazily and kept local: the library's symbols stay out of the global namespace, so
    // nothing loaded later binds to them by accident.
    handle_ = dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (handle_) return;
  }
}

SharedLibrary::~SharedLibrary() {
  // Left open on purpose: static instances die at exit, when threads may still be inside.
}

void* SharedLibrary::symbol(const char* name) const {
  return handle_ ? dlsym(handle_, name) : nullptr;
}

std::string executableFolder() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  std::string executable(path, static_cast<std::size_t>(length));
  auto slash = executable.rfind('/');
  return slash == std::string::npos ? std::string() : executable.substr(0, slash);
}

}  // namespace quorvale
