#pragma once
class DeviceRegistry;

// Puts the factories of every panel into the registry, in the order they are
// asked: the radio panel first, then the transponder panel.
void addPanelFactories(DeviceRegistry& registry);
