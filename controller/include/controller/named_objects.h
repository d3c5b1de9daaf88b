#pragma once
#include <cstdint>
#include <string>

// Names of the kernel objects through which the processes that use the same
// boards agree. The serial number is the board's serial text; every program
// that drives Vantrix boards uses these exact names.

// Mutex: held while one process owns the board ("%x-%s:Locked").
std::string ownershipMutexName(uint16_t productId, const std::string& serial);
// Mutex: exists while IIC mode is switched on at the board.
std::string iicMarkerName(uint16_t productId, const std::string& serial);
// Shared memory: the board's ControllerInfo, published by its first reader.
std::string controllerInfoName(uint16_t productId, const std::string& serial);
// Mutex: one process at a time reads the board memory.
std::string boardMemoryLockName(const std::string& serial);
// Events of the key input: the key thread has started; it is ending; another
// process asks for a full key report.
std::string keyThreadStartEventName(const std::string& serial);
std::string keyThreadEndingEventName(const std::string& serial);
std::string keyRefreshEventName(const std::string& serial);
