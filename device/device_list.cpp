#include "device/device_list.h"

CdDevice::CdDevice() : m_hDevice(INVALID_HANDLE_VALUE), m_nHostAdapter(255), m_nTargetId(255) {}

CdDevice::~CdDevice() {}

void DeviceList::GetDeviceNames(int index, CString& vendor, CString& product) const {
  if (index >= GetCount()) return;
  const CdDevice* device = m_devices[index];
  vendor = device->m_strVendor;
  product = device->m_strProduct;
}

void DeviceList::Clear() {
  for (INT_PTR i = 0; i < m_devices.GetSize(); ++i) {
    CdDevice* device = m_devices[i];
    if (device->m_hDevice != INVALID_HANDLE_VALUE) Api().CloseHandle(device->m_hDevice);
    delete device;
  }
  m_devices.RemoveAll();
}

void DeviceList::AddDevice(CdDevice* device) {
  INT_PTR index;
  try {
    index = m_devices.Add(device);
  } catch (...) {
    // The list could not take it: close what it holds so nothing leaks.
    if (device->m_hDevice != INVALID_HANDLE_VALUE) Api().CloseHandle(device->m_hDevice);
    delete device;
    throw;
  }
  IdentifyDevice(static_cast<int>(index), device);
}

DeviceList::~DeviceList() {
  Clear();
  if (m_hAspiLibrary != nullptr) Api().FreeLibrary(m_hAspiLibrary);
}
