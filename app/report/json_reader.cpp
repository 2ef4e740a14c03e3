#include "app/report/json_reader.h"

#include <cstring>

namespace {

// Nesting deeper than any document of ours is refused, so that no input
// can exhaust the stack.
const int kDeepest = 32;

class Parser {
 public:
  explicit Parser(const std::string& text) : m_text(text), m_at(0) {}

  bool Document(JsonValue* value, std::string* error) {
    if (!Value(value, 0) || (Space(), m_at != m_text.size())) {
      if (m_problem.empty()) m_problem = "text after the document";
      *error = m_problem + " at byte " + std::to_string(m_at);
      return false;
    }
    return true;
  }

 private:
  bool Fail(const char* problem) {
    if (m_problem.empty()) m_problem = problem;
    return false;
  }
  void Space() {
    while (m_at < m_text.size() && std::strchr(" \t\r\n", m_text[m_at]) != nullptr && m_text[m_at] != '\0') ++m_at;
  }
  bool Word(const char* word) {
    const std::size_t length = std::strlen(word);
    if (m_text.compare(m_at, length, word) != 0) return Fail("an unknown word");
    m_at += length;
    return true;
  }

  bool Value(JsonValue* value, int depth) {
    if (depth > kDeepest) return Fail("nesting too deep");
    Space();
    if (m_at >= m_text.size()) return Fail("the document ends early");
    const char c = m_text[m_at];
    if (c == '{') return Object(value, depth);
    if (c == '[') return Array(value, depth);
    if (c == '"') {
      value->type = JsonValue::kString;
      return String(&value->text);
    }
    if (c == 't' || c == 'f') {
      value->type = JsonValue::kBool;
      value->flag = c == 't';
      return Word(c == 't' ? "true" : "false");
    }
    if (c == 'n') {
      value->type = JsonValue::kNull;
      return Word("null");
    }
    return Number(value);
  }

  bool Number(JsonValue* value) {
    value->type = JsonValue::kNumber;
    bool negative = false;
    if (m_text[m_at] == '-') {
      negative = true;
      ++m_at;
    }
    const std::size_t start = m_at;
    long long number = 0;
    while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9') {
      if (number > 99999999999999LL) return Fail("a number too large");
      number = number * 10 + (m_text[m_at++] - '0');
    }
    if (m_at == start) return Fail("no value");
    if (m_at < m_text.size() && std::strchr(".eE", m_text[m_at]) != nullptr && m_text[m_at] != '\0')
      return Fail("a number that is not whole");
    value->number = negative ? -number : number;
    return true;
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  bool String(std::string* text) {
    ++m_at;  // the opening quote
    for (;;) {
      if (m_at >= m_text.size()) return Fail("a string without its end");
      const char c = m_text[m_at++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("a control character in a string");
      if (c != '\\') {
        *text += c;
        continue;
      }
      if (m_at >= m_text.size()) return Fail("a string without its end");
      const char e = m_text[m_at++];
      const char* simple = std::strchr("\"\\/bfnrt", e);
      if (simple != nullptr && e != '\0') {
        *text += "\"\\/\b\f\n\r\t"[simple - "\"\\/bfnrt"];
        continue;
      }
      if (e != 'u' || m_at + 4 > m_text.size()) return Fail("a bad escape");
      unsigned unit = 0;
      for (int i = 0; i < 4; ++i) {
        const int digit = HexDigit(m_text[m_at++]);
        if (digit < 0) return Fail("a bad escape");
        unit = unit * 16 + static_cast<unsigned>(digit);
      }
      *text += unit < 0x100 ? static_cast<char>(unit) : '?';
    }
  }

  bool Array(JsonValue* value, int depth) {
    value->type = JsonValue::kArray;
    ++m_at;
    Space();
    if (m_at < m_text.size() && m_text[m_at] == ']') {
      ++m_at;
      return true;
    }
    for (;;) {
      value->items.push_back(JsonValue());
      if (!Value(&value->items.back(), depth + 1)) return false;
      Space();
      if (m_at >= m_text.size()) return Fail("an array without its end");
      const char c = m_text[m_at++];
      if (c == ']') return true;
      if (c != ',') return Fail("a missing comma in an array");
    }
  }

  bool Object(JsonValue* value, int depth) {
    value->type = JsonValue::kObject;
    ++m_at;
    Space();
    if (m_at < m_text.size() && m_text[m_at] == '}') {
      ++m_at;
      return true;
    }
    for (;;) {
      Space();
      if (m_at >= m_text.size() || m_text[m_at] != '"') return Fail("a member without a name");
      value->members.push_back(std::make_pair(std::string(), JsonValue()));
      if (!String(&value->members.back().first)) return false;
      Space();
      if (m_at >= m_text.size() || m_text[m_at] != ':') return Fail("a member without a colon");
      ++m_at;
      if (!Value(&value->members.back().second, depth + 1)) return false;
      Space();
      if (m_at >= m_text.size()) return Fail("an object without its end");
      const char c = m_text[m_at++];
      if (c == '}') return true;
      if (c != ',') return Fail("a missing comma in an object");
    }
  }

  const std::string& m_text;
  std::size_t m_at;
  std::string m_problem;
};

}  // namespace

const JsonValue* JsonValue::Find(const char* key) const {
  for (std::size_t i = 0; i < members.size(); ++i)
    if (members[i].first == key) return &members[i].second;
  return nullptr;
}

bool ParseJson(const std::string& text, JsonValue* value, std::string* error) {
  *value = JsonValue();
  Parser parser(text);
  return parser.Document(value, error);
}
