// The corpus plan: every file's relative path, what it holds, its size and its modification
// time, decided before any content is written. Planning is cheap (no text is generated), so the
// list of names is available without writing the corpus, and each file's contents are rendered
// later from the corpus seed and the file's position alone.
//
// The tree looks like a person's home folder: Projects/ with software projects (each with its
// manifest, sources, tests and docs, plus node_modules/, .git/, venv/ or build output that a scan
// must prune), Documents/ by area and topic, invoices and statements by year, dated notes, logs,
// pictures, downloads, small web sites and data sets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corpus/code_formats.h"

namespace quorvale::bench {

struct CorpusOptions;

enum class Format : uint8_t {
  plainText,
  markdown,
  log,
  csv,
  json,
  yaml,
  html,
  css,
  source,
  pdf,
  invoicePdf,
  docx,
  opaque,  // pictures, archives, object files, git objects: bytes without text
  packageJson,
  cmakeLists,
  cargoToml,
  goMod,
  pyproject,
};

struct PlannedFile {
  std::string path;  // relative to the corpus root, "/"-separated
  Format format = Format::plainText;
  Language language = Language::python;  // for Format::source
  uint32_t size = 0;                     // the intended size; rendered files come close
  int64_t modified = 0;                  // seconds since 1970
  bool pruned = false;                   // inside a folder that a scan skips
};

std::vector<PlannedFile> planCorpus(const CorpusOptions& options);

}  // namespace quorvale::bench
