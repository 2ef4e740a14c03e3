// Reading the version resource of a PE file ourselves, so that the tests'
// stand-in answers the version calls in every build as Windows would, from
// real files as well as from blocks of the test's own. Everything here
// takes bytes that anyone may hand us: every offset and length is checked
// against the data before it is used, and damaged input gives false or 0.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

namespace pever {

// Finds the version resource (type 16) of a PE image held in memory, as the
// file lies on disk. Sets its offset and length within the image; false when
// the image is not a PE file, has no version resource or is damaged.
bool FindVersionResource(const BYTE* image, std::size_t size, std::size_t* offset, std::size_t* length);

// Length of the version block at the start of data (the root's own length),
// when its root node is sound and fits in size bytes; 0 otherwise.
std::size_t VersionBlockLength(const BYTE* data, std::size_t size);

// What GetFileVersionInfoSizeA reports for a block of that length: the block
// itself, then as much room again for the 8-bit copies of its texts.
DWORD InfoSizeFor(std::size_t blockLength);

// Fills data (size bytes) as GetFileVersionInfoA does from a version block;
// FALSE when the block is not sound or size is smaller than InfoSizeFor.
BOOL CopyVersionInfo(const BYTE* block, std::size_t blockSize, DWORD size, void* data);

// One value of a block: its position within the block, its length in bytes
// and whether it is UTF-16 text.
struct VersionValue {
  std::size_t offset;
  std::size_t length;
  bool text;
};

// Finds the value that a query path such as "\StringFileInfo\040904b0\Name"
// names in a block of blockLength bytes; keys compare without regard to
// ASCII case. "\" (or "") names the root's value.
bool FindVersionValue(const BYTE* block, std::size_t blockLength, const char* subBlock, VersionValue* value);

// VerQueryValueA over a buffer filled by CopyVersionInfo. Text values are
// converted to 8-bit text (NUL-terminated) into the second half of the
// buffer, so the pointer always points into it; length is then the size of
// that text without its NUL. Binary values give their length in bytes.
BOOL QueryVersionValue(const void* info, const char* subBlock, void** value, UINT* length);

}  // namespace pever
