#include "app/report/json_writer.h"

#include <cassert>
#include <cstdio>

#include "platform/text.h"

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t at = 0, used = 0; at < text.size(); at += used) {
    const long c = DecodeUtf8(text.data() + at, text.size() - at, &used);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if ((c >= 0 && c < 0x20) || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else if (c < 0) {
      AppendUtf8(out, kReplacementCharacter);
    } else {
      out.append(text, at, used);
    }
  }
  return out + "\"";
}

void JsonWriter::Expect(bool sound) {
  assert(sound && "the JSON writer was called out of order");
  if (!sound) m_sound = false;
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

void JsonWriter::Value() {
  const bool inObject = !m_levels.empty() && m_levels.back().bracket == '{';
  Expect(inObject == m_afterKey);
  Separate();
}

JsonWriter& JsonWriter::Key(const char* name) {
  Expect(!m_afterKey && !m_levels.empty() && m_levels.back().bracket == '{');
  Separate();
  m_out += JsonString(name) + ": ";
  m_afterKey = true;
  return *this;
}

void JsonWriter::Open(char bracket, bool inlined) {
  Value();
  m_out += bracket;
  Level level = {bracket, inlined || (!m_levels.empty() && m_levels.back().inlined), 0};
  m_levels.push_back(level);
}

void JsonWriter::Close(char bracket) {
  const char opening = bracket == '}' ? '{' : '[';
  Expect(!m_afterKey && !m_levels.empty() && m_levels.back().bracket == opening);
  if (m_levels.empty()) return;
  Level level = m_levels.back();
  m_levels.pop_back();
  if (!level.inlined && level.count > 0) m_out += "\n" + std::string(2 * m_levels.size(), ' ');
  m_out += bracket;
  if (m_levels.empty()) m_out += "\n";
}

void JsonWriter::String(const std::string& text) {
  Value();
  m_out += JsonString(SystemTextToUtf8(text));
}

void JsonWriter::Number(long long value) {
  Value();
  m_out += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
  Value();
  m_out += value ? "true" : "false";
}

void JsonWriter::Null() {
  Value();
  m_out += "null";
}
