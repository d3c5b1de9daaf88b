#pragma once
#include <SimConnect.h>

// SimConnect ids of the transponder panel; every transponder uses the same.
namespace xpndr {

constexpr DWORD kDataDefinition = 201;
constexpr DWORD kDataRequest = 201;

enum Datum : DWORD {
  kDatumLightPanel = 0,
  kDatumAvionicsMaster = 1,
  kDatumCode = 2,
  kDatumAvailable = 3,
};

enum Event : DWORD {
  kEventSetCode = 202,   // "XPNDR_SET"
  kEventMode = 203,      // "ZRQ-XPNDR.Mode"
  kEventPosition = 204,  // "ZRQ-XPNDR.Position"
  kEventStatus = 205,    // "ZRQ-XPNDR.Status"
  kEventIdent = 206,     // "ZRQ-XPNDR.Ident"
};

}  // namespace xpndr
