// The published SimConnect calls, carried over our wire-protocol client.
#include <SimConnect.h>

#include "client_config.h"
#include "client_connection.h"

namespace {

using simconnect::ClientConnection;
namespace wire = simconnect::wire;

ClientConnection* connectionOf(HANDLE handle) { return static_cast<ClientConnection*>(handle); }

HRESULT sendOn(HANDLE handle, const wire::Request& request) {
  ClientConnection* connection = connectionOf(handle);
  return connection ? connection->send(request) : E_FAIL;
}

std::string textOf(const char* text) { return text ? std::string(text) : std::string(); }

}  // namespace

extern "C" {

HRESULT SimConnect_Open(HANDLE* phSimConnect, LPCSTR szName, HWND, DWORD, HANDLE hEventHandle,
                        DWORD ConfigIndex) {
  if (!phSimConnect) return E_FAIL;
  *phSimConnect = nullptr;
  std::unique_ptr<ClientConnection> connection;
  HRESULT result = ClientConnection::open(simconnect::endpointForConfigIndex(ConfigIndex),
                                          textOf(szName),
                                          platform::WakeEvent::fromHandle(hEventHandle),
                                          connection);
  if (FAILED(result)) return result;
  *phSimConnect = connection.release();
  return S_OK;
}

HRESULT SimConnect_Close(HANDLE hSimConnect) {
  if (!hSimConnect) return E_FAIL;
  delete connectionOf(hSimConnect);
  return S_OK;
}

HRESULT SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext) {
  ClientConnection* connection = connectionOf(hSimConnect);
  return connection ? connection->callDispatch(pfcnDispatch, pContext) : E_FAIL;
}

HRESULT SimConnect_GetNextDispatch(HANDLE hSimConnect, SIMCONNECT_RECV** ppData, DWORD* pcbData) {
  ClientConnection* connection = connectionOf(hSimConnect);
  if (!connection || !ppData || !pcbData) return E_FAIL;
  return connection->getNextDispatch(ppData, pcbData);
}

HRESULT SimConnect_MenuAddItem(HANDLE hSimConnect, const char* szMenuItem, DWORD MenuEventID,
                               DWORD dwData) {
  return sendOn(hSimConnect, wire::MenuAddItem{textOf(szMenuItem), MenuEventID, dwData});
}

HRESULT SimConnect_MenuAddSubItem(HANDLE hSimConnect, DWORD MenuEventID, const char* szMenuItem,
                                  DWORD SubMenuEventID, DWORD dwData) {
  return sendOn(hSimConnect,
                wire::MenuAddSubItem{MenuEventID, textOf(szMenuItem), SubMenuEventID, dwData});
}

HRESULT SimConnect_MenuDeleteItem(HANDLE hSimConnect, DWORD MenuEventID) {
  return sendOn(hSimConnect, wire::MenuDeleteItem{MenuEventID});
}

HRESULT SimConnect_MenuDeleteSubItem(HANDLE hSimConnect, DWORD MenuEventID,
                                     DWORD SubMenuEventID) {
  return sendOn(hSimConnect, wire::MenuDeleteSubItem{MenuEventID, SubMenuEventID});
}

HRESULT SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect, DWORD EventID,
                                          const char* SystemEventName) {
  return sendOn(hSimConnect, wire::SubscribeToSystemEvent{EventID, textOf(SystemEventName)});
}

HRESULT SimConnect_UnsubscribeFromSystemEvent(HANDLE hSimConnect, DWORD EventID) {
  return sendOn(hSimConnect, wire::UnsubscribeFromSystemEvent{EventID});
}

HRESULT SimConnect_RequestSystemState(HANDLE hSimConnect, DWORD RequestID, const char* szState) {
  return sendOn(hSimConnect, wire::RequestSystemState{RequestID, textOf(szState)});
}

HRESULT SimConnect_Text(HANDLE hSimConnect, DWORD type, float fTimeSeconds, DWORD EventID,
                        DWORD cbUnitSize, void* pDataSet) {
  if (cbUnitSize > 0 && !pDataSet) return E_FAIL;
  if (cbUnitSize > wire::kMaxPacketSize - 32) return E_FAIL;
  wire::Text text{type, fTimeSeconds, EventID, {}};
  const auto* bytes = static_cast<const uint8_t*>(pDataSet);
  text.bytes.assign(bytes, bytes + cbUnitSize);
  return sendOn(hSimConnect, text);
}

HRESULT SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, DWORD EventID,
                                            const char* EventName) {
  return sendOn(hSimConnect, wire::MapClientEventToSimEvent{EventID, textOf(EventName)});
}

HRESULT SimConnect_TransmitClientEvent(HANDLE hSimConnect, DWORD ObjectID, DWORD EventID,
                                       DWORD dwData, DWORD GroupID, DWORD Flags) {
  return sendOn(hSimConnect,
                wire::TransmitClientEvent{ObjectID, EventID, dwData, GroupID, Flags});
}

HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect, DWORD GroupID,
                                                     DWORD EventID, BOOL bMaskable) {
  return sendOn(hSimConnect, wire::AddClientEventToNotificationGroup{
                                 GroupID, EventID, static_cast<uint32_t>(bMaskable)});
}

HRESULT SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, DWORD GroupID,
                                                DWORD uPriority) {
  return sendOn(hSimConnect, wire::SetNotificationGroupPriority{GroupID, uPriority});
}

HRESULT SimConnect_AddToDataDefinition(HANDLE hSimConnect, DWORD DefineID, const char* DatumName,
                                       const char* UnitsName, DWORD DatumType, float fEpsilon,
                                       DWORD DatumID) {
  return sendOn(hSimConnect, wire::AddToDataDefinition{DefineID, textOf(DatumName),
                                                       textOf(UnitsName), DatumType, fEpsilon,
                                                       DatumID});
}

HRESULT SimConnect_RequestDataOnSimObject(HANDLE hSimConnect, DWORD RequestID, DWORD DefineID,
                                          DWORD ObjectID, DWORD Period, DWORD Flags,
                                          DWORD origin, DWORD interval, DWORD limit) {
  return sendOn(hSimConnect, wire::RequestDataOnSimObject{RequestID, DefineID, ObjectID, Period,
                                                          Flags, origin, interval, limit});
}

HRESULT SimConnect_ClearDataDefinition(HANDLE hSimConnect, DWORD DefineID) {
  return sendOn(hSimConnect, wire::ClearDataDefinition{DefineID});
}

HRESULT SimConnect_GetLastSentPacketID(HANDLE hSimConnect, DWORD* pdwSendID) {
  ClientConnection* connection = connectionOf(hSimConnect);
  if (!connection || !pdwSendID) return E_FAIL;
  *pdwSendID = connection->lastSentPacketId();
  return S_OK;
}

}  // extern "C"
