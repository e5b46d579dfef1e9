#include "index/ranking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;
constexpr Date kDay = 86400;

TEST(RankerTest, ScoresHowTheNameMatches) {
  const std::tuple<std::string, std::vector<std::string>, double> cases[] = {
      {"report.pdf", {"report"}, 40},
      {"Report.PDF", {"report.pdf"}, 40},
      {"Q3 Financial Report.xlsx", {"q3", "report"}, 24},
      {"Passport.png", {"port"}, 4},
      {"Passport.png", {"pass"}, 15},
      {"annual-budget.txt", {"budget", "zzz"}, 9},
      {"annual report 2024.txt", {"annual report"}, 15},
      {"notes.txt", {"todo"}, 0},
      // Camel-case humps start words, as the index split the name.
      {"overviewBackupResearch.txt", {"backup", "research"}, 18},
      {"overviewBackupResearch.txt", {"overview", "resea"}, 24},
      {"XMLHttpRequest.js", {"request"}, 9},
      {"ÉtéRésumé.txt", {"résumé"}, 9},
      {"backupresearch.txt", {"research"}, 4}};
  for (const auto& [name, terms, score] : cases) {
    EXPECT_EQ(Ranker::nameScore(name, terms), score) << name << " " << terms[0];
  }
}

// One case each that a wrong sign, a wrong base or a missed boost would fail.
TEST(RankerTest, FormulasDecayWithAgeAndBoostOneWordApplicationsByInitials) {
  EXPECT_NEAR(Ranker::recency(kNow - 30 * kDay, kNow), 1.5 / M_E, 1e-12);
  EXPECT_NEAR(Ranker::frecency(1, kNow - kDay, kNow), 3 * std::log(2) * std::exp(-1.0 / 14), 1e-12);
  EXPECT_EQ(Ranker::kindBoost(FileKind::app, {"mail"}), 6);
  EXPECT_EQ(Ranker::kindBoost(FileKind::app, {"mail", "client"}), 1);
  EXPECT_EQ(Ranker::initials("TextEdit"), "te");
  EXPECT_EQ(Ranker::initials("GNU Image Manipulation Program"), "gimp");
  EXPECT_EQ(Ranker::initials("Re\u0301sume\u0301 Builder"), "rb");
  EXPECT_EQ(Ranker::initials("!!"), "");
}

TEST(RankerTest, HitScores) {
  FileRecord app{.path = "/apps/mail.desktop",
                 .name = "Mail",
                 .ext = "desktop",
                 .kind = FileKind::app,
                 .size = 1,
                 .modified = kNow};
  Ranker::Usage never;
  EXPECT_DOUBLE_EQ(Ranker::textHit(app, -2.5, never, {"mail"}, kNow).score, 1.5 + 40 + 2.5 + 6);
  EXPECT_FALSE(Ranker::textHit(app, -1, never, {"zebra"}, kNow).matchedName);
  FileRecord document = app;
  document.kind = FileKind::document;
  Hit substring = Ranker::substringHit(document, Ranker::Usage{1, kNow}, kNow);
  EXPECT_DOUBLE_EQ(substring.score, 3 * std::log(2) + 2 + 1.5 - 0.04);
  EXPECT_DOUBLE_EQ(Ranker::initialsHit(app, never, kNow).score, 5);
}

TEST(RankerTest, SortKeepsTheOrderOfEqualScores) {
  std::vector<Hit> hits;
  for (int i = 0; i < 6; ++i) {
    Hit hit;
    hit.record.path = std::to_string(i);
    hit.score = i % 2 ? 1.0 : 2.0;
    hits.push_back(hit);
  }
  Ranker::sortHits(hits);
  EXPECT_EQ(testing::mapped(hits, [](const Hit& hit) { return hit.record.path; }),
            (std::vector<std::string>{"0", "2", "4", "1", "3", "5"}));
}

TEST(StaleResultsTest, SplitsLiveGoneAndOffline) {
  std::vector<Hit> hits;
  for (const char* path : {"/home/a", "/home/gone", "/Volumes/Backup/x", "/mnt/disk/z"}) {
    Hit hit;
    hit.record.path = path;
    hits.push_back(hit);
  }
  auto split = StaleResults::split(
      hits, [](const std::string& path) { return path == "/home/a"; },
      [](const std::string& path) { return !path.starts_with("/Volumes/"); });
  EXPECT_EQ(testing::mapped(split.live, [](const Hit& hit) { return hit.record.path; }),
            std::vector<std::string>{"/home/a"});
  EXPECT_EQ(split.gone, (std::vector<std::string>{"/home/gone", "/mnt/disk/z"}));
  EXPECT_EQ(split.offline, 1);
}

// A missing file lies on a disconnected volume only below a mount point that is not mounted now:
// a declared one, or a removable-volume folder that its automounter removed with the volume.
TEST(StaleResultsTest, OnlyUnmountedMountPointsHoldDisconnectedVolumes) {
  const StaleResults::MountTable table{
      .declared = {"/mnt/backup", "/srv/archive", "/srv/archive/cold"},
      .mounted = {"/", "/srv/archive", "/media/ana/Card"}};
  const std::set<std::string> folders = {"/mnt/data", "/media/usb/docs", "/media/ana/Card",
                                         "/mnt/backup", "/Volumes/Here"};
  auto exists = [&](const std::string& folder) { return folders.contains(folder); };
  const std::vector<std::pair<std::string, bool>> cases = {
      {"/mnt/data/report.txt", true},           // a plain folder, no mount point
      {"/mnt/backup/report.txt", false},        // declared, its folder empty: not mounted
      {"/mnt/backupcopy/report.txt", true},     // only a name that begins the same
      {"/srv/archive/report.txt", true},        // declared and mounted
      {"/srv/archive/cold/report.txt", false},  // the deeper declared point is not mounted
      {"/media/ana/USB/report.txt", false},     // removed with its volume
      {"/media/ana/Card/report.txt", true},     // mounted
  };
  for (const auto& [path, connected] : cases) {
    EXPECT_EQ(StaleResults::volumeIsConnected(path, table, exists), connected) << path;
  }
}

TEST(StaleResultsTest, ReadsMountPointsFromTheTables) {
  testing::TempDir dir;
  const std::string fstab = dir / "fstab";
  const std::string mounts = dir / "mounts";
  testing::writeFile(fstab,
                     "# <file system> <mount point> <type>\n"
                     "UUID=1 / ext4 defaults 0 1\n"
                     "UUID=2 /mnt/My\\040Disk ext4 noauto 0 2\n"
                     "  \n"
                     "UUID=3 none swap sw 0 0\n"
                     "/dev/sdb1 /srv/archive/ ext4 defaults 0 2\n");
  testing::writeFile(mounts, "/dev/sda1 / ext4 rw 0 0\n/dev/sdb1 /srv/archive ext4 rw 0 0\n");
  const StaleResults::MountTable table = StaleResults::readMountTable(fstab, mounts);
  EXPECT_EQ(table.declared, (std::vector<std::string>{"/mnt/My Disk", "/srv/archive"}));
  EXPECT_EQ(table.mounted, (std::set<std::string>{"/", "/srv/archive"}));
  EXPECT_EQ(StaleResults::readMountTable(dir / "none", dir / "none"), StaleResults::MountTable{});
}

TEST(StaleResultsTest, VolumeFolders) {
  using S = std::optional<std::string>;
  EXPECT_EQ(StaleResults::volumeFolder("/Volumes/Backup/a/b"), S("/Volumes/Backup"));
  EXPECT_EQ(StaleResults::volumeFolder("/run/media/ana/Card/x"), S("/run/media/ana/Card"));
  EXPECT_EQ(StaleResults::volumeFolder("//mnt//disk/x"), std::nullopt);
  EXPECT_EQ(StaleResults::volumeFolder("/media/ana"), std::nullopt);
  EXPECT_EQ(StaleResults::volumeFolder("/home/ana/Volumes/x"), std::nullopt);
  // The real check: the root file system holds no such volume folder here.
  EXPECT_TRUE(StaleResults::volumeIsConnected("/mnt/quorvale-no-such-folder/file"));
  EXPECT_FALSE(StaleResults::volumeIsConnected("/media/quorvale-no-user/NoSuchDisk/file"));
}

}  // namespace
}  // namespace quorvale
