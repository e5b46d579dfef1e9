// The planners of the corpus's parts. Each plans one coherent unit (a software project, a folder
// of documents, a year of invoices, ...) through the Planner and stops early when it is full.
#pragma once

#include "corpus/planner.h"

namespace quorvale::bench {

// A software project with manifest, sources, tests and docs, and the folders a scan prunes.
void planProject(Planner& planner);

void planDocuments(Planner& planner);
void planFinance(Planner& planner);
void planNotes(Planner& planner);
void planLogs(Planner& planner);
void planPictures(Planner& planner);
void planDownloads(Planner& planner);
void planWebsite(Planner& planner);
void planDataSet(Planner& planner);

// The folders a scan skips inside a project, `count` files in all.
void planNodeModules(Planner& planner, const std::string& project, std::size_t count, int64_t time);
void planGitFolder(Planner& planner, const std::string& project, std::size_t count, int64_t time);
void planBuildOutput(Planner& planner, const std::string& folder, Language language,
                     std::size_t count, int64_t time);
void planVirtualEnv(Planner& planner, const std::string& project, std::size_t count, int64_t time);

}  // namespace quorvale::bench
