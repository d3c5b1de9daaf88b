#include "xpndr_peer_notice.h"

#include <platform/window_messages.h>

#include <cstdio>

namespace xpndr {

std::string identNoticeText(bool pressed) {
  return pressed ? "XPNDR_IDENT=1" : "XPNDR_IDENT=0";
}

std::string tcasModeNoticeText(int position) {
  int tcasMode = 0;
  switch (position) {
    case 2: tcasMode = 3; break;
    case 3: tcasMode = 4; break;
    case 4: tcasMode = 2; break;
    case 5: tcasMode = 1; break;
    default: tcasMode = 0; break;
  }
  char text[80] = {};
  std::snprintf(text, sizeof text, "TCAS_MODE_SWITCH=%d", tcasMode);
  return text;
}

void sendPeerNotice(const std::string& text) {
  platform::WindowHandle peer = platform::findWindow("TCP_CLIENT", std::string());
  if (!peer) return;
  uint16_t atom = platform::addAtom(text);
  uint32_t message = platform::registerWindowMessage("SWITCH");
  platform::sendMessage(peer, message, atom, 0, kPeerNoticeTimeoutMs);
  if (atom) platform::deleteAtom(atom);
}

}  // namespace xpndr
