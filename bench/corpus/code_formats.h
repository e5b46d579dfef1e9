// Generated source files that read like code: imports, functions with comments and bodies in the
// language's own spelling of identifiers, and the small manifest files that mark a folder as a
// software project (package.json, CMakeLists.txt, Cargo.toml, go.mod, pyproject.toml).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "corpus/random.h"

namespace quorvale::bench {

enum class Language { python, javascript, typescript, cpp, cppHeader, rust, go, shell };

// About `size` bytes of source in the language.
std::string sourceFile(Random& random, Language language, std::size_t size);

// Project manifests for a project called `name`.
std::string packageJson(Random& random, std::string_view name);
std::string cmakeLists(Random& random, std::string_view name);
std::string cargoToml(Random& random, std::string_view name);
std::string goMod(Random& random, std::string_view name);
std::string pyprojectToml(Random& random, std::string_view name);

}  // namespace quorvale::bench
