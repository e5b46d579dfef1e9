// The scoring rules for file hits, and the sorting of hits whose files have vanished from those
// on a disconnected disk.
//
// A score adds up independent evidence: how well the name matches the typed words, the
// full-text relevance, how recently the file changed, how often and how lately the user opened
// it, and what kind of item it is; the search adds how often the user chose the file for these
// words. Every rule is a closed formula over one row; only StaleResults touches the disk.
// Ages are in days, (now - date) / 86400, and a date in the future counts as age zero.
// Pure functions, safe on any thread.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "index/file_kind.h"
#include "index/hit.h"

namespace quorvale {

namespace Ranker {

// Which words of a name count as word starts in the name score.
enum class NameWords {
  // The words the index makes of the name: split at case changes, "_", "-", "." and other marks
  // ("overviewBackupResearch" has the words overview, backup and research).
  indexed,
  // The lower-cased name split at marks only: the earlier rule, kept so that the ranking
  // benchmark can show both in one run.
  lowerCasedOnly,
};

// 40 when the name (with or without its extension) equals the words; otherwise per word 15 when
// the name starts with it, 9 when one of its words does, 4 when it appears anywhere.
double nameScore(std::string_view name, const std::vector<std::string>& terms,
                 NameWords words = NameWords::indexed);
// 1.5 e^(-age / 30): 1.5 for a file changed today, about 0.55 a month ago.
double recency(Date modified, Date now);
// min(3 ln(1 + count), 12) e^(-days since last use / 14); 0 for a file never opened.
double frecency(int64_t count, std::optional<Date> last, Date now);
// An application is what a one-word query most often means.
double kindBoost(FileKind kind, const std::vector<std::string>& terms);
// The lower-cased first letter or digit of every run of letters and digits, plus every
// upper-case letter that follows a lower-case one ("Text Editor" and "TextEdit" give "te").
std::string initials(std::string_view name);

// How often and when the user opened a file, as the usage table holds it.
struct Usage {
  int64_t count = 0;
  std::optional<Date> last;
  bool operator==(const Usage&) const = default;
};

// A full-text or filter row: recency + (nameScore - bm25) + frecency + kindBoost, where bm25 is
// SQLite's value (negative for a match) or 0 for a search without words.
Hit textHit(FileRecord record, double bm25, const Usage& usage,
            const std::vector<std::string>& terms, Date now, NameWords words = NameWords::indexed);
// A trigram or name-scan row: frecency + 2 + recency - 0.01 x characters in the name.
Hit substringHit(FileRecord record, const Usage& usage, Date now);
// An application found by its initials: frecency + 5.
Hit initialsHit(FileRecord record, const Usage& usage, Date now);

// Highest score first; equal scores keep their order.
void sortHits(std::vector<Hit>& hits);

}  // namespace Ranker

namespace StaleResults {

struct Split {
  std::vector<Hit> live;          // files that exist
  std::vector<std::string> gone;  // paths that no longer exist on a connected volume
  int offline = 0;                // hits on volumes that are not mounted
  bool operator==(const Split&) const = default;
};

using PathTest = std::function<bool(const std::string&)>;

Split split(const std::vector<Hit>& hits, const PathTest& exists, const PathTest& volumeConnected);

// What the system says about its volumes: the mount points its static table declares
// (/etc/fstab) and the ones mounted now (/proc/self/mounts).
struct MountTable {
  std::vector<std::string> declared;
  std::set<std::string> mounted;
  bool operator==(const MountTable&) const = default;
};

// Reads the two tables; a table that cannot be read is empty. The root "/", swap and pseudo
// entries ("none") are left out of `declared`.
MountTable readMountTable(const std::string& staticTable = "/etc/fstab",
                          const std::string& mountedNow = "/proc/self/mounts");

// Whether the disk a path lies on is there. Only a path below a mount point that is not mounted
// now lies on a disconnected volume:
// - below the deepest declared mount point holding it, when that one is not mounted;
// - below a removable-volume folder (/Volumes/<name>, /media/<user>/<name>,
//   /run/media/<user>/<name>) that is not mounted and does not exist: desktop automounters make
//   such a folder when they mount a volume there and remove it with the volume.
// Everything else counts as connected: a plain folder such as /mnt/data or /media/usb/docs that
// is no mount point holds files that are gone when they are gone. `exists` tests a folder.
bool volumeIsConnected(const std::string& path, const MountTable& table, const PathTest& exists);
// The same with the system's tables and file system.
bool volumeIsConnected(const std::string& path);

// The removable-volume folder a path lies under, if it lies under one ("/media/ana/USB/x" ->
// "/media/ana/USB").
std::optional<std::string> volumeFolder(const std::string& path);

}  // namespace StaleResults

}  // namespace quorvale
