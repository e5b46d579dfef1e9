// The power and heat situation that the energy policy judges before background indexing. The
// engine calls `current` from its index and passage queues; implementations only read platform
// state and are safe on any thread. Where the platform tells nothing, the state is the default
// `EnergyState`: on mains power, 100 percent, no low power mode, nominal heat.
#pragma once

#include "scan/energy_policy.h"

namespace quorvale {

class EnergyMonitor {
 public:
  virtual ~EnergyMonitor() = default;

  virtual EnergyState current() const = 0;
};

}  // namespace quorvale
