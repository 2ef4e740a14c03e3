#include "tests/support/pe_version.h"

#include <cstring>

#include "platform/windows_api.h"

namespace pever {
namespace {

// A bounded view of bytes: every read says whether it fitted.
struct Bytes {
  const BYTE* data;
  std::size_t size;

  bool Has(std::size_t offset, std::size_t count) const { return offset <= size && count <= size - offset; }
  bool U16(std::size_t offset, WORD* value) const {
    if (!Has(offset, 2)) return false;
    *value = static_cast<WORD>(data[offset] | (data[offset + 1] << 8));
    return true;
  }
  bool U32(std::size_t offset, DWORD* value) const {
    if (!Has(offset, 4)) return false;
    *value = static_cast<DWORD>(data[offset]) | (static_cast<DWORD>(data[offset + 1]) << 8) |
             (static_cast<DWORD>(data[offset + 2]) << 16) | (static_cast<DWORD>(data[offset + 3]) << 24);
    return true;
  }
};

const WORD kVersionResourceType = 16;
const WORD kVersionResourceName = 1;
const DWORD kSubdirectory = 0x80000000u;

// --- PE image -------------------------------------------------------------

struct Section {
  DWORD virtualAddress;
  DWORD extent;  // bytes of the section present in the file
  DWORD rawOffset;
};

class PeImage {
 public:
  PeImage(const BYTE* data, std::size_t size) : m_file{data, size} {}

  // Reads the headers; false when they are not those of a PE image.
  bool Open(DWORD* resourceRva) {
    WORD mz = 0;
    DWORD peOffset = 0;
    if (!m_file.U16(0, &mz) || mz != 0x5A4D || !m_file.U32(0x3C, &peOffset)) return false;
    DWORD signature = 0;
    if (!m_file.U32(peOffset, &signature) || signature != 0x00004550) return false;
    std::size_t coff = static_cast<std::size_t>(peOffset) + 4;
    WORD optionalSize = 0;
    if (!m_file.U16(coff + 2, &m_sectionCount) || !m_file.U16(coff + 16, &optionalSize)) return false;
    std::size_t optional = coff + 20;
    WORD magic = 0;
    if (!m_file.U16(optional, &magic)) return false;
    std::size_t countAt = 0;
    if (magic == 0x10B) {
      countAt = 92;  // 32-bit optional header
    } else if (magic == 0x20B) {
      countAt = 108;  // 64-bit optional header
    } else {
      return false;
    }
    DWORD directoryCount = 0;
    std::size_t resourceEntry = countAt + 4 + 2 * 8;  // directory 2: resources
    if (resourceEntry + 8 > optionalSize || !m_file.U32(optional + countAt, &directoryCount) ||
        directoryCount < 3 || !m_file.U32(optional + resourceEntry, resourceRva))
      return false;
    m_sectionTable = optional + optionalSize;
    return m_file.Has(m_sectionTable, static_cast<std::size_t>(m_sectionCount) * 40);
  }

  // The bytes from an address of the image to the end of its section's data
  // in the file; false when the address lies in no section's file data.
  bool Map(DWORD rva, Bytes* out) const {
    for (WORD i = 0; i < m_sectionCount; ++i) {
      Section s;
      if (!ReadSection(i, &s)) return false;
      if (rva < s.virtualAddress || rva - s.virtualAddress >= s.extent) continue;
      std::size_t start = static_cast<std::size_t>(s.rawOffset) + (rva - s.virtualAddress);
      std::size_t end = static_cast<std::size_t>(s.rawOffset) + s.extent;
      if (end > m_file.size || start >= end) return false;
      *out = Bytes{m_file.data + start, end - start};
      return true;
    }
    return false;
  }

  const Bytes& File() const { return m_file; }

 private:
  bool ReadSection(WORD index, Section* s) const {
    std::size_t at = m_sectionTable + static_cast<std::size_t>(index) * 40;
    DWORD virtualSize = 0, rawSize = 0;
    if (!m_file.U32(at + 8, &virtualSize) || !m_file.U32(at + 12, &s->virtualAddress) ||
        !m_file.U32(at + 16, &rawSize) || !m_file.U32(at + 20, &s->rawOffset))
      return false;
    // File data past the section's size in memory is alignment filler.
    s->extent = (virtualSize != 0 && virtualSize < rawSize) ? virtualSize : rawSize;
    return true;
  }

  Bytes m_file;
  WORD m_sectionCount = 0;
  std::size_t m_sectionTable = 0;
};

// Finds an entry of the resource directory at dir: the one with the given id
// (0: none), else, when allowed, the first one. Sets the entry's target.
bool FindEntry(const Bytes& res, DWORD dir, WORD id, bool orFirst, DWORD* target) {
  WORD named = 0, ids = 0;
  if (!res.U16(static_cast<std::size_t>(dir) + 12, &named) || !res.U16(static_cast<std::size_t>(dir) + 14, &ids))
    return false;
  std::size_t count = static_cast<std::size_t>(named) + ids;
  std::size_t entries = static_cast<std::size_t>(dir) + 16;
  if (!res.Has(entries, count * 8)) return false;
  bool haveFirst = false;
  DWORD first = 0;
  for (std::size_t i = 0; i < count; ++i) {
    DWORD name = 0, offset = 0;
    res.U32(entries + i * 8, &name);
    res.U32(entries + i * 8 + 4, &offset);
    if (!haveFirst) {
      haveFirst = true;
      first = offset;
    }
    if (id != 0 && (name & kSubdirectory) == 0 && name == id) {
      *target = offset;
      return true;
    }
  }
  if (orFirst && haveFirst) {
    *target = first;
    return true;
  }
  return false;
}

// --- Version block --------------------------------------------------------

std::size_t Align4(std::size_t offset) { return (offset + 3) & ~static_cast<std::size_t>(3); }

// One node of a version block: its key, its value and where its children lie.
struct Node {
  std::size_t start;
  std::size_t end;
  std::size_t key;       // offset of the UTF-16 key
  std::size_t keyUnits;  // its length, NUL excluded
  VersionValue value;
  std::size_t children;
};

// Reads the node at start, which must lie within limit; false when damaged.
bool ReadNode(const Bytes& block, std::size_t start, std::size_t limit, Node* node) {
  WORD length = 0, valueLength = 0, type = 0;
  if (!block.U16(start, &length) || !block.U16(start + 2, &valueLength) || !block.U16(start + 4, &type))
    return false;
  if (length < 6 || limit > block.size || start > limit || length > limit - start) return false;
  node->start = start;
  node->end = start + length;
  node->key = start + 6;
  std::size_t at = node->key;
  for (;;) {
    WORD unit = 1;
    if (at + 2 > node->end || !block.U16(at, &unit)) return false;  // key without its NUL
    if (unit == 0) break;
    at += 2;
  }
  node->keyUnits = (at - node->key) / 2;
  std::size_t valueStart = Align4(at + 2);
  if (valueStart > node->end) valueStart = node->end;
  std::size_t valueBytes = type == 1 ? static_cast<std::size_t>(valueLength) * 2 : valueLength;
  // A value longer than its node is cut at the node's end.
  if (valueBytes > node->end - valueStart) valueBytes = node->end - valueStart;
  node->value = VersionValue{valueStart, valueBytes, type == 1};
  node->children = Align4(valueStart + valueBytes);
  return true;
}

bool KeyEquals(const Bytes& block, const Node& node, const char* name, std::size_t nameLength) {
  if (node.keyUnits != nameLength) return false;
  for (std::size_t i = 0; i < nameLength; ++i) {
    WORD unit = 0;
    block.U16(node.key + 2 * i, &unit);
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (unit < 0x80 && c < 0x80) {
      if (unit >= 'A' && unit <= 'Z') unit = static_cast<WORD>(unit + 32);
      if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    }
    if (unit != c) return false;
  }
  return true;
}

}  // namespace

bool FindVersionResource(const BYTE* image, std::size_t size, std::size_t* offset, std::size_t* length) {
  if (image == nullptr) return false;
  PeImage pe(image, size);
  DWORD resourceRva = 0;
  Bytes res{nullptr, 0};
  if (!pe.Open(&resourceRva) || resourceRva == 0 || !pe.Map(resourceRva, &res)) return false;
  // Three levels, always: type, then name (id 1 if present), then the first language.
  DWORD byName = 0, byLanguage = 0, dataEntry = 0;
  if (!FindEntry(res, 0, kVersionResourceType, false, &byName) || (byName & kSubdirectory) == 0) return false;
  if (!FindEntry(res, byName & ~kSubdirectory, kVersionResourceName, true, &byLanguage) ||
      (byLanguage & kSubdirectory) == 0)
    return false;
  if (!FindEntry(res, byLanguage & ~kSubdirectory, 0, true, &dataEntry) || (dataEntry & kSubdirectory) != 0)
    return false;
  DWORD dataRva = 0, dataSize = 0;
  if (!res.U32(dataEntry, &dataRva) || !res.U32(static_cast<std::size_t>(dataEntry) + 4, &dataSize)) return false;
  Bytes data{nullptr, 0};
  if (dataSize == 0 || !pe.Map(dataRva, &data) || dataSize > data.size) return false;
  *offset = static_cast<std::size_t>(data.data - image);
  *length = dataSize;
  return true;
}

std::size_t VersionBlockLength(const BYTE* data, std::size_t size) {
  if (data == nullptr) return 0;
  Bytes block{data, size};
  Node root;
  return ReadNode(block, 0, size, &root) ? root.end : 0;
}

DWORD InfoSizeFor(std::size_t blockLength) { return static_cast<DWORD>(blockLength * 2 + 4); }

BOOL CopyVersionInfo(const BYTE* block, std::size_t blockSize, DWORD size, void* data) {
  std::size_t length = VersionBlockLength(block, blockSize);
  if (length == 0 || data == nullptr || size < InfoSizeFor(length)) return FALSE;
  std::memcpy(data, block, length);
  std::memset(static_cast<BYTE*>(data) + length, 0, size - length);
  return TRUE;
}

bool FindVersionValue(const BYTE* data, std::size_t blockLength, const char* subBlock, VersionValue* value) {
  if (data == nullptr || subBlock == nullptr) return false;
  Bytes block{data, blockLength};
  Node node;
  if (!ReadNode(block, 0, blockLength, &node)) return false;
  const char* part = subBlock;
  for (;;) {
    while (*part == '\\') ++part;
    if (*part == '\0') break;
    std::size_t partLength = 0;
    while (part[partLength] != '\0' && part[partLength] != '\\') ++partLength;
    bool found = false;
    Node child;
    // Each child's length is at least 6, so the walk always moves on.
    for (std::size_t at = node.children; at + 6 <= node.end; at = Align4(child.end)) {
      if (!ReadNode(block, at, node.end, &child)) return false;
      if (KeyEquals(block, child, part, partLength)) {
        found = true;
        break;
      }
    }
    if (!found) return false;
    node = child;
    part += partLength;
  }
  *value = node.value;
  return true;
}

BOOL QueryVersionValue(const void* info, const char* subBlock, void** value, UINT* length) {
  if (info == nullptr || value == nullptr || length == nullptr) return FALSE;
  BYTE* base = static_cast<BYTE*>(const_cast<void*>(info));
  // The buffer came from CopyVersionInfo, which checked the root's length
  // and made room for twice as much.
  std::size_t blockLength = static_cast<std::size_t>(base[0] | (base[1] << 8));
  VersionValue found;
  if (!FindVersionValue(base, blockLength, subBlock, &found)) return FALSE;
  if (!found.text) {
    *value = base + found.offset;
    *length = static_cast<UINT>(found.length);
    return TRUE;
  }
  // At most one byte per UTF-16 unit, plus the NUL: fits in the unit's room
  // in the second half, and the empty text in the 4 spare bytes at its end.
  char* out = reinterpret_cast<char*>(base + blockLength + found.offset);
  std::size_t units = found.length / 2;
  std::size_t n = 0;
  for (std::size_t i = 0; i < units; ++i) {
    unsigned unit = base[found.offset + 2 * i] | (base[found.offset + 2 * i + 1] << 8);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
      unsigned low = base[found.offset + 2 * i + 2] | (base[found.offset + 2 * i + 3] << 8);
      if (low >= 0xDC00 && low < 0xE000) ++i;  // one character, one replacement
    }
    out[n++] = NarrowFallbackChar(unit);
  }
  out[n] = '\0';
  *value = out;
  *length = static_cast<UINT>(n);
  return TRUE;
}

}  // namespace pever
