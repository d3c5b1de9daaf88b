#include "panel_factories.h"

#include <device_registry.h>

#include "device_kestrix_radio.h"

#include "transponder/device_kestrix_xpndr.h"

void addPanelFactories(DeviceRegistry& registry) {
  // The panel classes add their factories here as they arrive.
  (void)registry;
  registry.addFactory(std::make_unique<SimConnectDeviceFactory<CDeviceKestrixRadio>>());
  // The transponder is asked after the radio.
  registry.addFactory(std::make_unique<SimConnectDeviceFactory<CDeviceKestrixXPNDR>>());
}
