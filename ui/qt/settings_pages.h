// The pages of the settings window, each a function that builds its widgets over the settings
// controls: General (shortcuts, login, tray), Search (folders, hidden results, search options),
// Clipboard, Snippets, Web searches and Maintenance. Main thread only.
#pragma once

#include <QWidget>

#include "settings_controls.h"

namespace quorvale::SettingsPages {

QWidget* general(SettingsControls& controls);
QWidget* search(SettingsControls& controls);
QWidget* clipboard(SettingsControls& controls);
QWidget* snippets(SettingsControls& controls);
QWidget* webSearches(SettingsControls& controls);
QWidget* maintenance(SettingsControls& controls);

// A page's title and body in a scroll area, the way the window shows every page.
QWidget* framed(const QString& title, QWidget* body);

}  // namespace quorvale::SettingsPages
