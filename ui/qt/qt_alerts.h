// Modal alerts as QMessageBox windows with the application's icon. Main thread only.
#pragma once

#include "platform/desktop_services.h"

namespace quorvale {

class QtAlerts : public Alerts {
 public:
  int show(const std::string& title, const std::string& text,
           const std::vector<std::string>& buttons) override;
};

}  // namespace quorvale
