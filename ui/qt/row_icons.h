// The icon of a result row, by what the row is: an application's own icon (the Icon key of its
// desktop entry, through the icon theme), a file's type icon from the MIME database, a folder,
// or a theme glyph for answers, web searches, commands, clips and snippets. Icons are looked up
// once per path and kept. Main thread only (Qt's icon loading).
#pragma once

#include <QHash>
#include <QIcon>

#include "query/suggestion.h"

namespace quorvale {

class RowIcons {
 public:
  RowIcons();

  // Makes the desktop's icon folders and theme known to Qt; once per process.
  static void prepareTheme();

  QIcon icon(const Suggestion& row);

 private:
  QIcon themed(std::initializer_list<const char*> names);
  QIcon fileIcon(const FileRecord& record);

  QHash<QString, QIcon> cache_;
};

}  // namespace quorvale
