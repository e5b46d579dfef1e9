#include "corpus/layout.h"

#include "corpus/corpus.h"
#include "corpus/units.h"

namespace quorvale::bench {
namespace {

struct Unit {
  void (*plan)(Planner&);
  unsigned weight;
};

// Weights per unit, not per file: a project brings about 90 files and carries the pruned ones,
// a folder of documents about 30, so projects end up near 40 percent of the files.
constexpr Unit kUnits[] = {
    {planProject, 14}, {planDocuments, 30}, {planFinance, 6}, {planNotes, 8},   {planLogs, 5},
    {planPictures, 6}, {planDownloads, 5},  {planWebsite, 5}, {planDataSet, 7},
};

void planUnit(Planner& planner) {
  unsigned total = 0;
  for (const Unit& unit : kUnits) total += unit.weight;
  auto roll = static_cast<unsigned>(planner.random().below(total));
  for (const Unit& unit : kUnits) {
    if (roll < unit.weight) return unit.plan(planner);
    roll -= unit.weight;
  }
}

}  // namespace

std::vector<PlannedFile> planCorpus(const CorpusOptions& options) {
  Planner planner(options.files, deriveSeed(options.seed, 0x706c616e));
  // A project first, so that even a small corpus has folders to prune.
  planProject(planner);
  while (!planner.full()) planUnit(planner);
  return planner.take();
}

}  // namespace quorvale::bench
