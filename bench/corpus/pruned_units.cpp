// The folders inside projects that a scan must skip as whole subtrees: dependency caches
// (node_modules/, venv/), version control (.git/) and build output (build/, target/). They are
// filled the way the real tools fill them, so that their names and sizes look familiar.
#include <cstdio>
#include <string_view>

#include "corpus/file_names.h"
#include "corpus/prose.h"
#include "corpus/units.h"

namespace quorvale::bench {
namespace {

constexpr std::string_view kGitFiles[] = {"HEAD", "config", "description", "index", "packed-refs"};
constexpr std::string_view kGitHooks[] = {"pre-commit.sample", "pre-push.sample",
                                          "commit-msg.sample", "post-update.sample"};

std::string hex(Random& random, int digits) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (int i = 0; i < digits; ++i) out += kDigits[random.below(16)];
  return out;
}

// Plans one file unless `count` files are already planned; counts it.
struct Budget {
  Planner& planner;
  std::size_t count;
  std::size_t done = 0;

  bool add(const std::string& folder, const std::string& name, Format format, uint32_t size,
           int64_t time, Language language = Language::javascript) {
    if (done >= count || !planner.add(folder, name, format, size, time, true, language)) {
      return false;
    }
    ++done;
    return true;
  }
  bool open() const { return done < count && !planner.full(); }
};

void planPackage(Budget& budget, const std::string& folder, int64_t time) {
  Random& random = budget.planner.random();
  budget.add(folder, "package.json", Format::packageJson, 700, time);
  budget.add(folder, "README.md", Format::markdown, textSize(random), time);
  if (random.percent(60)) budget.add(folder, "LICENSE", Format::plainText, 1070, time);
  budget.add(folder, "index.js", Format::source, textSize(random), time);
  const auto files = random.between(0, 9);
  for (int64_t i = 0; i < files && budget.open(); ++i) {
    const bool typings = random.percent(25);
    const std::string sub = random.percent(50) ? "/lib" : "/dist";
    budget.add(folder + sub,
               identifier(random, IdentifierCase::kebab, 1, 2) + (typings ? ".d.ts" : ".js"),
               Format::source, textSize(random), time,
               typings ? Language::typescript : Language::javascript);
  }
}

}  // namespace

void planNodeModules(Planner& planner, const std::string& project, std::size_t count,
                     int64_t time) {
  Budget budget{planner, count};
  Random& random = planner.random();
  while (budget.open()) {
    std::string folder = project + "/node_modules/";
    if (random.percent(15)) folder += "@" + identifier(random, IdentifierCase::kebab, 1, 1) + "/";
    folder += identifier(random, IdentifierCase::kebab, 1, 2);
    planPackage(budget, folder, planner.timeNear(time, 60));
    if (random.percent(10) && budget.open()) {
      planPackage(budget, folder + "/node_modules/" + identifier(random, IdentifierCase::kebab),
                  time);
    }
  }
}

void planGitFolder(Planner& planner, const std::string& project, std::size_t count, int64_t time) {
  Budget budget{planner, count};
  Random& random = planner.random();
  const std::string git = project + "/.git";
  for (std::string_view name : kGitFiles) {
    const bool binary = name == "index";
    budget.add(git, std::string(name), binary ? Format::opaque : Format::plainText,
               binary ? opaqueSize(random, 500, 30000) : 120, time);
  }
  budget.add(git + "/refs/heads", "main", Format::plainText, 41, time);
  budget.add(git + "/logs", "HEAD", Format::log, logSize(random) / 4, time);
  for (std::string_view hook : kGitHooks) {
    budget.add(git + "/hooks", std::string(hook), Format::source, 900, time, Language::shell);
  }
  while (budget.open()) {
    budget.add(git + "/objects/" + hex(random, 2), hex(random, 38), Format::opaque,
               opaqueSize(random, 60, 6000), planner.timeNear(time, 90));
  }
}

void planBuildOutput(Planner& planner, const std::string& folder, Language language,
                     std::size_t count, int64_t time) {
  Budget budget{planner, count};
  Random& random = planner.random();
  if (language == Language::cpp) {
    budget.add(folder, "CMakeCache.txt", Format::plainText, 20000, time);
    budget.add(folder, "build.ninja", Format::plainText, textSize(random) * 3, time);
    budget.add(folder, "compile_commands.json", Format::json, textSize(random) * 2, time);
    while (budget.open()) {
      budget.add(
          folder + "/CMakeFiles/" + identifier(random, IdentifierCase::snake, 1, 1) + ".dir/src",
          sourceName(random, Language::cpp) + ".o", Format::opaque, opaqueSize(random, 1000, 24000),
          time);
    }
  } else if (language == Language::rust) {
    while (budget.open()) {
      const std::string crate =
          identifier(random, IdentifierCase::snake, 1, 2) + "-" + hex(random, 16);
      budget.add(folder + "/debug/deps", crate + ".d", Format::plainText, 400, time);
      budget.add(folder + "/debug/deps", "lib" + crate + ".rlib", Format::opaque,
                 opaqueSize(random, 2000, 30000), time);
    }
  } else {
    while (budget.open()) {
      const bool map = random.percent(40);
      budget.add(folder + "/static/js",
                 identifier(random, IdentifierCase::kebab, 1, 1) + "." + hex(random, 8) +
                     (map ? ".js.map" : ".js"),
                 map ? Format::json : Format::source, textSize(random) * 2, time);
    }
  }
}

void planVirtualEnv(Planner& planner, const std::string& project, std::size_t count, int64_t time) {
  Budget budget{planner, count};
  Random& random = planner.random();
  const std::string venv = project + "/venv";
  budget.add(venv, "pyvenv.cfg", Format::plainText, 120, time);
  while (budget.open()) {
    const std::string package =
        venv + "/lib/python3.11/site-packages/" + identifier(random, IdentifierCase::snake, 1, 2);
    budget.add(package, "__init__.py", Format::source, textSize(random) / 4, time,
               Language::python);
    const auto modules = random.between(1, 8);
    for (int64_t i = 0; i < modules && budget.open(); ++i) {
      budget.add(package, sourceName(random, Language::python), Format::source, textSize(random),
                 time, Language::python);
    }
  }
}

}  // namespace quorvale::bench
