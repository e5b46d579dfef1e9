// A shared library opened on first use (dlopen) instead of at program start. Programs that load
// every library they link at start pay for all of them on every run, and a `--query` process
// never needs the PDF reader, BLAS or the network library. Owned by the module that wraps the
// library (one static instance each); safe on any thread once constructed.
#pragma once

#include <initializer_list>
#include <string>

namespace quorvale {

class SharedLibrary {
 public:
  // Opens the first of `names` (sonames or paths) that loads; `loaded()` says whether one did.
  explicit SharedLibrary(std::initializer_list<std::string> names);
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  // The address of `name`, or nullptr when the library or the symbol is missing.
  void* symbol(const char* name) const;

  // Resolves `name` into `function`; false when it is missing.
  template <typename Function>
  bool resolve(Function*& function, const char* name) const {
    function = reinterpret_cast<Function*>(symbol(name));
    return function != nullptr;
  }

 private:
  void* handle_ = nullptr;
};

// The folder of the running executable ("" when it cannot be read).
std::string executableFolder();

}  // namespace quorvale
