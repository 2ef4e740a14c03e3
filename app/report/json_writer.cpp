#include "app/report/json_writer.h"

#include <cstdio>

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      // Bytes above ASCII are taken as Latin-1: always valid, never lost.
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void JsonWriter::Separate() {
  if (m_afterKey) {
    m_afterKey = false;
    return;
  }
  if (m_levels.empty()) return;
  Level& level = m_levels.back();
  if (level.inlined)
    m_out += level.count > 0 ? ", " : "";
  else
    m_out += (level.count > 0 ? ",\n" : "\n") + std::string(2 * m_levels.size(), ' ');
  ++level.count;
}

JsonWriter& JsonWriter::Key(const char* name) {
  Separate();
  m_out += JsonString(name) + ": ";
  m_afterKey = true;
  return *this;
}

void JsonWriter::Open(char bracket, bool inlined) {
  Separate();
  m_out += bracket;
  Level level = {inlined || (!m_levels.empty() && m_levels.back().inlined), 0};
  m_levels.push_back(level);
}

void JsonWriter::Close(char bracket) {
  Level level = m_levels.back();
  m_levels.pop_back();
  if (!level.inlined && level.count > 0) m_out += "\n" + std::string(2 * m_levels.size(), ' ');
  m_out += bracket;
  if (m_levels.empty()) m_out += "\n";
}

void JsonWriter::String(const std::string& text) {
  Separate();
  m_out += JsonString(text);
}

void JsonWriter::Number(long value) {
  Separate();
  m_out += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
  Separate();
  m_out += value ? "true" : "false";
}

void JsonWriter::Null() {
  Separate();
  m_out += "null";
}
