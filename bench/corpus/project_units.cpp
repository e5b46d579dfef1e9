// Software projects: the part of the corpus a scan must prune carefully. Every project has a
// marker file at its top (package.json, CMakeLists.txt, Cargo.toml, go.mod or pyproject.toml),
// so its build output folder is recognised, and carries the pruned files the corpus owes.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "corpus/file_names.h"
#include "corpus/prose.h"
#include "corpus/units.h"

namespace quorvale::bench {
namespace {

enum class Stack { web, cpp, python, rust, go };

constexpr std::string_view kSubfolders[] = {"components", "utils", "internal", "core",  "api",
                                            "models",     "views", "services", "common"};

struct Project {
  Stack stack;
  std::string folder;
  std::string name;
  int64_t time;
};

// Projects take their kinds in this cycle, so that even a small corpus has each kind and a
// large one has them in these proportions.
constexpr Stack kStackCycle[] = {Stack::web,  Stack::cpp, Stack::python, Stack::web, Stack::go,
                                 Stack::rust, Stack::web, Stack::python, Stack::cpp, Stack::web};

Language sourceLanguage(Random& random, Stack stack) {
  switch (stack) {
    case Stack::web:
      return random.percent(60) ? Language::typescript : Language::javascript;
    case Stack::cpp:
      return random.percent(55) ? Language::cpp : Language::cppHeader;
    case Stack::python:
      return Language::python;
    case Stack::rust:
      return Language::rust;
    case Stack::go:
      return Language::go;
  }
  return Language::python;
}

void planManifest(Planner& planner, const Project& project) {
  switch (project.stack) {
    case Stack::web:
      planner.add(project.folder, "package.json", Format::packageJson, 600, project.time);
      return;
    case Stack::cpp:
      planner.add(project.folder, "CMakeLists.txt", Format::cmakeLists, 400, project.time);
      return;
    case Stack::python:
      planner.add(project.folder, "pyproject.toml", Format::pyproject, 300, project.time);
      return;
    case Stack::rust:
      planner.add(project.folder, "Cargo.toml", Format::cargoToml, 200, project.time);
      return;
    case Stack::go:
      planner.add(project.folder, "go.mod", Format::goMod, 150, project.time);
      return;
  }
}

std::string sourceFolder(Random& random, const Project& project,
                         const std::vector<std::string>& modules) {
  std::string folder = project.folder + "/src";
  if (project.stack == Stack::go) folder = project.folder + "/pkg";
  folder += "/" + modules[random.below(modules.size())];
  if (random.percent(25)) folder += "/" + std::string(random.pick(kSubfolders));
  return folder;
}

void planSources(Planner& planner, const Project& project, std::size_t count) {
  Random& random = planner.random();
  std::vector<std::string> modules(static_cast<std::size_t>(random.between(2, 7)));
  for (auto& module : modules) module = identifier(random, IdentifierCase::snake, 1, 1);
  for (std::size_t i = 0; i < count; ++i) {
    const Language language = sourceLanguage(random, project.stack);
    const std::string folder = sourceFolder(random, project, modules);
    planner.add(folder, sourceName(random, language), Format::source, textSize(random),
                planner.timeNear(project.time, 120), false, language);
    if (project.stack == Stack::python && random.percent(30)) {
      planner.add(folder + "/__pycache__",
                  identifier(random, IdentifierCase::snake, 1, 2) + ".cpython-311.pyc",
                  Format::opaque, opaqueSize(random, 300, 9000), planner.timeNear(project.time, 30),
                  true);
    }
  }
}

void planTests(Planner& planner, const Project& project) {
  Random& random = planner.random();
  const auto count = random.between(2, 15);
  for (int64_t i = 0; i < count; ++i) {
    const Language language = sourceLanguage(random, project.stack);
    planner.add(project.folder + "/tests", "test_" + sourceName(random, language), Format::source,
                textSize(random), planner.timeNear(project.time, 120), false, language);
  }
}

void planDocs(Planner& planner, const Project& project) {
  Random& random = planner.random();
  planner.add(project.folder, "README.md", Format::markdown, textSize(random) + 400, project.time);
  planner.add(project.folder, "LICENSE", Format::plainText, 1070, project.time);
  const auto docs = random.between(0, 6);
  for (int64_t i = 0; i < docs; ++i) {
    planner.add(project.folder + "/docs", documentName(random, "md"), Format::markdown,
                textSize(random), planner.timeNear(project.time, 200));
  }
  if (random.percent(50)) {
    planner.add(
        project.folder + "/config",
        identifier(random, IdentifierCase::kebab, 1, 2) + (random.percent(50) ? ".yaml" : ".json"),
        random.percent(50) ? Format::yaml : Format::json, textSize(random) / 2 + 100, project.time);
  }
  if (project.stack == Stack::web) {
    planner.add(project.folder + "/public", "index.html", Format::html, textSize(random) + 300,
                project.time);
    planner.add(project.folder + "/public",
                identifier(random, IdentifierCase::kebab, 1, 2) + ".css", Format::css,
                textSize(random), project.time);
  }
}

// Splits the owed pruned files between the folders this kind of project has.
void planPruned(Planner& planner, const Project& project, std::size_t ownFiles) {
  const std::size_t owed = std::min(planner.prunedOwed(), ownFiles * 3 + 10);
  if (owed == 0) return;
  const std::size_t git = std::max<std::size_t>(1, owed / (project.stack == Stack::go ? 1 : 4));
  const std::size_t rest = owed - std::min(owed, git);
  planGitFolder(planner, project.folder, git, project.time);
  switch (project.stack) {
    case Stack::web: {
      const std::size_t build = rest / 6;
      planNodeModules(planner, project.folder, rest - build, project.time);
      planBuildOutput(planner, project.folder + "/build", Language::javascript, build,
                      project.time);
      return;
    }
    case Stack::cpp:
      planBuildOutput(planner, project.folder + "/build", Language::cpp, rest, project.time);
      return;
    case Stack::rust:
      planBuildOutput(planner, project.folder + "/target", Language::rust, rest, project.time);
      return;
    case Stack::python:
      planVirtualEnv(planner, project.folder, rest, project.time);
      return;
    case Stack::go:
      return;
  }
}

}  // namespace

void planProject(Planner& planner) {
  Random& random = planner.random();
  Project project{.stack = kStackCycle[planner.nextProject() % std::size(kStackCycle)],
                  .folder = "",
                  .name = identifier(random, IdentifierCase::kebab, 1, 2),
                  .time = planner.anyTime()};
  project.folder = random.percent(70) ? "Projects/" + project.name
                                      : "Work/" + folderName(random, false) + "/" + project.name;
  const std::size_t before = planner.left();
  planManifest(planner, project);
  planDocs(planner, project);
  const auto sources = static_cast<std::size_t>(random.between(12, 140));
  planSources(planner, project, std::min(sources, std::max<std::size_t>(8, before / 2)));
  planTests(planner, project);
  planPruned(planner, project, before - planner.left());
}

}  // namespace quorvale::bench
