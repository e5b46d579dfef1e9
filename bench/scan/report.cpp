#include "scan/report.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace quorvale::bench {
namespace {

double perSecond(double count, double seconds) {
  return seconds > 0 ? count / seconds : 0;
}

}  // namespace

std::string tableHeader() {
  char line[200];
  std::snprintf(line, sizeof line, "%-10s %8s %9s %9s %9s %9s %11s %9s %10s %8s", "tool", "files",
                "first s", "cpu s", "files/s", "rescan s", "entries/s", "index MB", "bytes/file",
                "peak MB");
  return line;
}

std::string tableRow(const ResultRow& row) {
  char line[200];
  const auto files = static_cast<double>(row.files);
  std::snprintf(line, sizeof line, "%-10s %8lld %9.2f %9.2f %9.0f %9.3f %11.0f %9.1f %10.0f %8.1f",
                row.tool.c_str(), static_cast<long long>(row.files), row.firstSeconds,
                row.firstCpuSeconds, perSecond(files, row.firstSeconds), row.rescanSeconds,
                perSecond(static_cast<double>(row.rescanEntries), row.rescanSeconds),
                static_cast<double>(row.indexBytes) / 1e6,
                files > 0 ? static_cast<double>(row.indexBytes) / files : 0,
                static_cast<double>(row.peakKilobytes) / 1024.0);
  return line;
}

void saveRow(const std::string& path, const ResultRow& row) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path);
  out << row.tool << '\t' << row.files << '\t' << row.firstSeconds << '\t' << row.firstCpuSeconds
      << '\t' << row.rescanSeconds << '\t' << row.rescanEntries << '\t' << row.indexBytes << '\t'
      << row.peakKilobytes << '\n';
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace quorvale::bench
