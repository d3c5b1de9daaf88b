#pragma once
#include <SimConnect.h>

// The numbers the bridge registers with SimConnect and recognises in what
// arrives. They are the bridge's own; the panel driver's do not matter here.
namespace bridge_ids {

enum : DWORD {
  kMenuSquarix = 0,         // top-level add-on menu item "Squarix"
  kMenuAbout = 1,           // sub-item "About..."
  kSimStart = 3,            // system event "SimStart": reload the configuration
  kSimStop = 4,             // system event "SimStop"
  kTextEvent = 5,           // event id of every print text
  kXpndrMode = 6,           // "ZRQ-XPNDR.Mode"
  kXpndrPosition = 7,       // "ZRQ-XPNDR.Position"
  kXpndrStatus = 8,         // "ZRQ-XPNDR.Status"
  kXpndrIdent = 9,          // "ZRQ-XPNDR.Ident"
  kChooserResult = 10,      // the configuration chooser's menu result
  kMenuChangeConfig = 11,   // sub-item "Change configuraiton"
};

constexpr DWORD kSimStateRequest = 0;     // request of the "Sim" state
constexpr DWORD kTransponderGroup = 0;    // notification group of events 6 to 9

}  // namespace bridge_ids
