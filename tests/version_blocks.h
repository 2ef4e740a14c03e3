// Builds version blocks in the 32-bit resource form for the tests, and
// finds the committed fixture executables.
#pragma once

#include <string>
#include <vector>

#include "platform/wintypes.h"

namespace version_blocks {

struct Node {
  std::string key;
  std::vector<BYTE> value;
  WORD type = 0;                 // 1: the value is text
  int valueLength = -1;          // as stored; -1: computed from the value
  std::vector<Node> children;
};

inline void Put16(std::vector<BYTE>& out, size_t at, unsigned value) {
  out[at] = static_cast<BYTE>(value);
  out[at + 1] = static_cast<BYTE>(value >> 8);
}

inline void Pad(std::vector<BYTE>& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

inline void Append(std::vector<BYTE>& out, const Node& node) {
  size_t start = out.size();
  out.resize(start + 6);
  for (char c : node.key) {
    out.push_back(static_cast<BYTE>(c));
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(0);
  Pad(out);
  out.insert(out.end(), node.value.begin(), node.value.end());
  for (const Node& child : node.children) {
    Pad(out);
    Append(out, child);
  }
  size_t length = node.type == 1 ? node.value.size() / 2 : node.value.size();
  Put16(out, start, static_cast<unsigned>(out.size() - start));
  Put16(out, start + 2, node.valueLength >= 0 ? static_cast<unsigned>(node.valueLength) : static_cast<unsigned>(length));
  Put16(out, start + 4, node.type);
}

inline std::vector<BYTE> Build(const Node& root) {
  std::vector<BYTE> out;
  Append(out, root);
  return out;
}

inline std::vector<BYTE> Utf16(const std::string& text) {
  std::vector<BYTE> out;
  for (char c : text) {
    out.push_back(static_cast<BYTE>(c));
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

inline Node Text(const std::string& key, const std::string& value) {
  Node node;
  node.key = key;
  node.value = Utf16(value);
  node.type = 1;
  return node;
}

inline std::vector<BYTE> Dwords(std::vector<DWORD> values) {
  std::vector<BYTE> out;
  for (DWORD v : values)
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
  return out;
}

// The fixed information: signature, structure version, then the version
// words, flags, system, type and dates.
inline std::vector<BYTE> FixedInfo(DWORD fileMS, DWORD fileLS, DWORD productMS, DWORD productLS, DWORD dateMS,
                                   DWORD dateLS) {
  return Dwords({0xFEEF04BD, 0x10000, fileMS, fileLS, productMS, productLS, 0x3F, 0, 0x40004, 1, 0, dateMS, dateLS});
}

// A whole block: fixed information, one string table under tableKey, and a
// translation table with the given entries (none: no VarFileInfo at all).
inline std::vector<BYTE> Block(const std::string& tableKey, std::vector<Node> strings,
                               std::vector<DWORD> translations) {
  Node root;
  root.key = "VS_VERSION_INFO";
  root.value = FixedInfo(0x00010002, 0x00030004, 0x00050006, 0x00070008, 0x11111111, 0x22222222);
  Node table;
  table.key = tableKey;
  table.type = 1;
  table.children = strings;
  Node stringInfo;
  stringInfo.key = "StringFileInfo";
  stringInfo.type = 1;
  stringInfo.children = {table};
  root.children.push_back(stringInfo);
  if (!translations.empty()) {
    Node translation;
    translation.key = "Translation";
    translation.value = Dwords(translations);
    Node varInfo;
    varInfo.key = "VarFileInfo";
    varInfo.type = 1;
    varInfo.children = {translation};
    root.children.push_back(varInfo);
  }
  return Build(root);
}

// Where the fixture executables lie: beside the test program in the
// Windows builds (the build copies them there), in the sources elsewhere.
inline std::string FixtureDirectory() {
#ifdef _WIN32
  char path[MAX_PATH + 1] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path);
  return directory.substr(0, directory.find_last_of('\\'));
#else
  return QUILLANOR_FIXTURE_DIR;
#endif
}

}  // namespace version_blocks
