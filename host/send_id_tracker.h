#pragma once
#include <SimConnect.h>

#include <map>
#include <string>

// Turns the send id that a simulator exception names back into a text: right
// after each call it may have to explain, a device records the id of the
// packet just sent with a description. Records live as long as the device.
class CSimConnectSendIDTracker {
 public:
  explicit CSimConnectSendIDTracker(HANDLE simConnect) : simConnect_(simConnect) {}

  // Must follow the call it describes directly, on the same thread.
  void AddSendRecord(const std::string& description);
  // The description recorded for the id, or "Send record not found".
  std::string GetSendRecord(DWORD sendId) const;

 private:
  HANDLE simConnect_;
  std::map<DWORD, std::string> sendRecords_;
};
