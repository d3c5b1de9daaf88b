#include "panel_factories.h"

#include <device_registry.h>

void addPanelFactories(DeviceRegistry& registry) {
  // The panel classes add their factories here as they arrive.
  (void)registry;
}
