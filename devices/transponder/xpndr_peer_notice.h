#pragma once
#include <string>

// Notices to a cooperating program's "TCP_CLIENT" window (empty title): the
// registered message "SWITCH" with a global atom holding the notice text.
namespace xpndr {

std::string identNoticeText(bool pressed);
// The mode selector's position 1-5 as the peer numbers its TCAS modes.
std::string tcasModeNoticeText(int position);

// Sends the notice when the peer window exists. The send gives up after a
// short time, so a peer that hangs cannot stall the session thread.
void sendPeerNotice(const std::string& text);

constexpr int kPeerNoticeTimeoutMs = 500;

}  // namespace xpndr
