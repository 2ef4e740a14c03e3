// The capabilities report: MODE SENSE(10) of the CD/DVD capabilities page,
// turned into 24 YES/NO rows, or failure lines with the sense text.
#pragma once

#include <cstdlib>
#include <cstring>

#include "device/device_list.h"
#include "framework/cstring.h"

const ULONG kModeSenseAnswerLength = 256;
const int kCapabilityRowCount = 24;
const int kModePageOffset = 8;  // page byte n stands at answer byte 8 + n

struct CapabilityRow {
  const char* label;
  int pageByte;
  int bit;
};

// The rows, in the order they are shown (not the order of the page).
extern const CapabilityRow kCapabilityRows[kCapabilityRowCount];

extern const char kModeSenseFailure[];
extern const char kCommandNotSupported[];

// Zeroes the answer buffer (kModeSenseAnswerLength bytes) and builds the request.
void BuildModeSenseRequest(ScsiRequest* request, BYTE* answer);
// 1 when the answer sets the row's bit.
int CapabilityFlag(const BYTE* answer, const CapabilityRow& row);
// The line that explains a CHECK CONDITION from its fixed-format sense bytes.
CString SenseText(const BYTE* sense);

// The answer buffer of one query: from the heap, zeroed by the request
// builder, and released however the query ends (an exception included).
class AnswerBuffer {
 public:
  explicit AnswerBuffer(std::size_t size) : m_bytes(static_cast<BYTE*>(std::malloc(size))) {
    if (m_bytes == nullptr) AfxThrowMemoryException();
  }
  ~AnswerBuffer() { std::free(m_bytes); }
  BYTE* Get() const { return m_bytes; }

 private:
  AnswerBuffer(const AnswerBuffer&);
  AnswerBuffer& operator=(const AnswerBuffer&);
  BYTE* m_bytes;
};

// Appends a label row with "YES" or "NO" in column 1. List is anything with
// the list control's GetItemCount, InsertItem and SetItemText.
template <class List>
void AppendResultRow(List& list, const char* label, int flag) {
  int item = list.GetItemCount();
  item = list.InsertItem(LVIF_TEXT, item, label, 0, 0, 0, 0);
  if (item == -1) return;
  list.SetItemText(item, 1, flag ? "YES" : "NO");
}

// TRUE when the drive carried the query and answered GOOD, so the answer
// holds the page.
inline bool CapabilitiesAnswered(int result, const ScsiRequest& request) {
  return result != 0 && request.Header.ScsiStatus == kScsiStatusGood;
}

// Writes the 24 rows of an answered query, or its failure lines.
template <class List>
void WriteCapabilities(List& list, int result, const ScsiRequest& request, const BYTE* answer) {
  if (!CapabilitiesAnswered(result, request)) {
    list.InsertItem(LVIF_TEXT, 0, kModeSenseFailure, 0, 0, 0, 0);
    if (request.Header.ScsiStatus == kScsiStatusCheckCondition) {
      CString line = SenseText(request.SenseBuffer);
      list.InsertItem(LVIF_TEXT, 1, line, 0, 0, 0, 0);
    }
  } else {
    for (int i = 0; i < kCapabilityRowCount; ++i)
      AppendResultRow(list, kCapabilityRows[i].label, CapabilityFlag(answer, kCapabilityRows[i]));
  }
}

// Empties the list and, unless itemData is the root's -1, queries drive
// itemData and writes its rows or its failure lines.
template <class List>
void ShowCapabilities(List& list, DeviceList& devices, LPARAM itemData) {
  list.DeleteAllItems();
  if (itemData == -1) return;

  AnswerBuffer buffer(kModeSenseAnswerLength);
  BYTE* answer = buffer.Get();
  ScsiRequest request;
  BuildModeSenseRequest(&request, answer);
  int result = devices.ExecuteRequest(static_cast<int>(itemData), &request);
  WriteCapabilities(list, result, request, answer);
}
