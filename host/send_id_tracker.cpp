#include "send_id_tracker.h"

void CSimConnectSendIDTracker::AddSendRecord(const std::string& description) {
  if (!simConnect_) return;
  DWORD sendId = 0;
  SimConnect_GetLastSentPacketID(simConnect_, &sendId);
  sendRecords_[sendId] = description;
}

std::string CSimConnectSendIDTracker::GetSendRecord(DWORD sendId) const {
  auto found = sendRecords_.find(sendId);
  return found != sendRecords_.end() ? found->second : "Send record not found";
}
