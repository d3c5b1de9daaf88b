#pragma once
#include <cstdint>

// The USB ids that Vantrix controller boards carry: two vendors, three
// IO-Warrior products.
constexpr uint16_t kVantrixVendorIds[] = {0x1FD1, 0x07C0};
constexpr uint16_t kVantrixProductIds[] = {0x03E8, 0x03EA, 0x1583};

// The product that offers the 128-key matrix.
constexpr uint16_t kProductWith128Keys = 0x03EA;

constexpr bool isVantrixBoard(uint32_t vendorId, uint32_t productId) {
  bool vendorMatches = false, productMatches = false;
  for (uint16_t id : kVantrixVendorIds) vendorMatches |= id == vendorId;
  for (uint16_t id : kVantrixProductIds) productMatches |= id == productId;
  return vendorMatches && productMatches;
}
