#include "platform/connection.h"

const char* const kBusUsb = "USB";
const char* const kBus1394 = "IEEE 1394";

bool DriveConnection::Bridged() const {
  return bus == kBusUsb || bus == kBus1394 || adapterBus == kBusUsb || adapterBus == kBus1394;
}

std::string DriveConnection::Short() const {
  std::string text = !bus.empty() ? bus : adapterBus;
  if (!driver.empty()) text += text.empty() ? driver : " (" + driver + ")";
  return text;
}
