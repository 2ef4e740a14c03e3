#include "app/report/json_reader.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace {

// Nesting deeper than any document of ours is refused, so that no input
// can exhaust the stack.
const int kDeepest = 32;
// The largest whole number read; larger ones are no field of a report.
const long long kLargestNumber = 99999999999999LL;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsHighSurrogate(unsigned long unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(unsigned long unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

// Reads the text twice: once to check it and count its values, once to
// keep them, so that the nodes take no room to spare.
class JsonParser {
 public:
  JsonParser(const std::string& text, std::vector<JsonDocument::Node>* nodes)
      : m_text(text), m_at(0), m_nodes(nodes), m_count(0) {}

  bool Document(std::string* error) {
    if (!Value(0) || (Space(), m_at != m_text.size())) {
      if (m_problem.empty()) m_problem = "text after the document";
      *error = m_problem + " at byte " + std::to_string(m_at);
      return false;
    }
    return true;
  }
  std::size_t Count() const { return m_count; }

  // The text of the string whose opening quote is at `at`, checked before.
  static bool Text(const std::string& source, std::size_t at, std::string* text, std::size_t* end,
                   const char** problem) {
    ++at;
    for (;;) {
      if (at >= source.size()) return Problem(problem, "a string without its end", end, at);
      const char c = source[at];
      if (c == '"') {
        *end = at + 1;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) return Problem(problem, "a control character in a string", end, at);
      if (static_cast<unsigned char>(c) >= 0x80) {
        std::size_t used = 0;
        if (DecodeUtf8(source.data() + at, source.size() - at, &used) < 0)
          return Problem(problem, "text that is not UTF-8", end, at);
        if (text != nullptr) text->append(source, at, used);
        at += used;
        continue;
      }
      ++at;
      if (c != '\\') {
        if (text != nullptr) *text += c;
        continue;
      }
      if (at >= source.size()) return Problem(problem, "a string without its end", end, at);
      const char e = source[at++];
      const char* simple = e != '\0' ? std::strchr("\"\\/bfnrt", e) : nullptr;
      if (simple != nullptr) {
        if (text != nullptr) *text += "\"\\/\b\f\n\r\t"[simple - "\"\\/bfnrt"];
        continue;
      }
      unsigned long unit = 0;
      if (e != 'u' || !Unit(source, &at, &unit)) return Problem(problem, "a bad escape", end, at);
      if (IsHighSurrogate(unit)) {
        unsigned long low = 0;
        std::size_t after = at + 2;
        if (source.compare(at, 2, "\\u") != 0 || !Unit(source, &after, &low) || !IsLowSurrogate(low))
          return Problem(problem, "a lone surrogate in an escape", end, at);
        at = after;
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      } else if (IsLowSurrogate(unit)) {
        return Problem(problem, "a lone surrogate in an escape", end, at);
      }
      if (text != nullptr) AppendUtf8(*text, unit);
    }
  }

 private:
  static bool Problem(const char** problem, const char* what, std::size_t* end, std::size_t at) {
    *problem = what;
    *end = at;
    return false;
  }
  // Four hex digits at *at, moved past them.
  static bool Unit(const std::string& source, std::size_t* at, unsigned long* unit) {
    if (*at + 4 > source.size()) return false;
    *unit = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = HexDigit(source[(*at)++]);
      if (digit < 0) return false;
      *unit = *unit * 16 + static_cast<unsigned long>(digit);
    }
    return true;
  }

  bool Fail(const char* problem) {
    if (m_problem.empty()) m_problem = problem;
    return false;
  }
  void Space() {
    while (m_at < m_text.size() && IsSpace(m_text[m_at])) ++m_at;
  }
  bool Word(const char* word) {
    const std::size_t length = std::strlen(word);
    if (m_text.compare(m_at, length, word) != 0) return Fail("an unknown word");
    m_at += length;
    return true;
  }
  // A node for the value starting here; its `next` is set when it ends.
  std::size_t Begin() {
    if (m_nodes != nullptr) {
      JsonDocument::Node node = {static_cast<std::uint32_t>(m_at), 0};
      m_nodes->push_back(node);
    }
    return m_count++;
  }
  void End(std::size_t node) {
    if (m_nodes != nullptr) (*m_nodes)[node].next = static_cast<std::uint32_t>(m_count);
  }

  bool Value(int depth) {
    if (depth > kDeepest) return Fail("nesting too deep");
    Space();
    if (m_at >= m_text.size()) return Fail("the document ends early");
    const std::size_t node = Begin();
    const char c = m_text[m_at];
    bool good;
    if (c == '{')
      good = Object(depth);
    else if (c == '[')
      good = Array(depth);
    else if (c == '"')
      good = String(nullptr);
    else if (c == 't' || c == 'f' || c == 'n')
      good = Word(c == 't' ? "true" : c == 'f' ? "false" : "null");
    else
      good = Number();
    End(node);
    return good;
  }

  bool Number() {
    if (m_text[m_at] == '-') ++m_at;
    const std::size_t start = m_at;
    long long number = 0;
    while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9') {
      if (number > kLargestNumber) return Fail("a number too large");
      number = number * 10 + (m_text[m_at++] - '0');
    }
    if (m_at == start) return Fail("no value");
    if (m_text[start] == '0' && m_at - start > 1) return Fail("a number with a leading zero");
    if (m_at < m_text.size() && (m_text[m_at] == '.' || m_text[m_at] == 'e' || m_text[m_at] == 'E'))
      return Fail("a number that is not whole");
    return true;
  }

  bool String(std::string* text) {
    const char* problem = nullptr;
    std::size_t end = 0;
    const bool good = Text(m_text, m_at, text, &end, &problem);
    m_at = end;
    return good || Fail(problem);
  }

  bool Array(int depth) {
    ++m_at;
    Space();
    if (m_at < m_text.size() && m_text[m_at] == ']') {
      ++m_at;
      return true;
    }
    for (;;) {
      if (!Value(depth + 1)) return false;
      Space();
      if (m_at >= m_text.size()) return Fail("an array without its end");
      const char c = m_text[m_at++];
      if (c == ']') return true;
      if (c != ',') return Fail("a missing comma in an array");
    }
  }

  bool Object(int depth) {
    ++m_at;
    Space();
    if (m_at < m_text.size() && m_text[m_at] == '}') {
      ++m_at;
      return true;
    }
    // Where each name stood, for the check that none comes twice.
    std::vector<std::pair<std::string, std::size_t> > names;
    for (;;) {
      Space();
      if (m_at >= m_text.size() || m_text[m_at] != '"') return Fail("a member without a name");
      const std::size_t key = Begin();
      if (m_nodes == nullptr) names.push_back(std::make_pair(std::string(), m_at));
      if (!String(m_nodes == nullptr ? &names.back().first : nullptr)) return false;
      End(key);
      Space();
      if (m_at >= m_text.size() || m_text[m_at] != ':') return Fail("a member without a colon");
      ++m_at;
      if (!Value(depth + 1)) return false;
      Space();
      if (m_at >= m_text.size()) return Fail("an object without its end");
      const char c = m_text[m_at++];
      if (c == '}') break;
      if (c != ',') return Fail("a missing comma in an object");
    }
    // Readers differ on which of two members of one name wins; a report has none.
    std::sort(names.begin(), names.end());
    for (std::size_t i = 1; i < names.size(); ++i) {
      if (names[i].first == names[i - 1].first) {
        m_at = names[i].second;
        return Fail("a key twice in one object");
      }
    }
    return true;
  }

  const std::string& m_text;
  std::size_t m_at;
  std::vector<JsonDocument::Node>* m_nodes;  // null while checking
  std::size_t m_count;
  std::string m_problem;
};

bool JsonDocument::Parse(const std::string& text, std::string* error) {
  m_nodes.clear();
  m_text = &text;
  if (text.size() >= 0xFFFFFFFFu) {
    *error = "a text too large at byte 0";
    return false;
  }
  JsonParser check(text, nullptr);
  if (!check.Document(error)) return false;
  std::vector<Node> nodes;
  nodes.reserve(check.Count());
  JsonParser keep(text, &nodes);
  keep.Document(error);
  m_nodes.swap(nodes);
  return true;
}

const char* JsonValue::At() const { return m_document->m_text->data() + m_document->m_nodes[m_node].at; }

JsonValue::Type JsonValue::type() const {
  if (m_document == nullptr) return kNull;  // none: a missing member
  switch (*At()) {
    case '{':
      return kObject;
    case '[':
      return kArray;
    case '"':
      return kString;
    case 't':
    case 'f':
      return kBool;
    case 'n':
      return kNull;
    default:
      return kNumber;
  }
}

bool JsonValue::flag() const { return type() == kBool && *At() == 't'; }

long long JsonValue::number() const {
  if (type() != kNumber) return 0;
  const char* c = At();
  const bool negative = *c == '-';
  long long number = 0;
  for (c += negative ? 1 : 0; *c >= '0' && *c <= '9'; ++c) number = number * 10 + (*c - '0');
  return negative ? -number : number;
}

std::string JsonValue::text() const {
  std::string text;
  if (type() != kString) return text;
  const char* problem = nullptr;
  std::size_t end = 0;
  JsonParser::Text(*m_document->m_text, m_document->m_nodes[m_node].at, &text, &end, &problem);
  return text;
}

std::vector<JsonValue> JsonValue::Items() const {
  std::vector<JsonValue> items;
  const Type kind = type();
  if (kind != kArray && kind != kObject) return items;
  const std::vector<JsonDocument::Node>& nodes = m_document->m_nodes;
  for (std::uint32_t child = m_node + 1; child < nodes[m_node].next; child = nodes[child].next) {
    if (kind == kObject) ++child;  // past the name
    items.push_back(JsonValue(m_document, child));
  }
  return items;
}

std::vector<std::pair<std::string, JsonValue> > JsonValue::Members() const {
  std::vector<std::pair<std::string, JsonValue> > members;
  if (type() != kObject) return members;
  const std::vector<JsonDocument::Node>& nodes = m_document->m_nodes;
  for (std::uint32_t key = m_node + 1; key < nodes[m_node].next; key = nodes[key + 1].next)
    members.push_back(std::make_pair(JsonValue(m_document, key).text(), JsonValue(m_document, key + 1)));
  return members;
}

JsonValue JsonValue::Find(const char* key) const {
  if (m_document == nullptr || type() != kObject) return JsonValue();
  const std::vector<JsonDocument::Node>& nodes = m_document->m_nodes;
  const std::size_t length = std::strlen(key);
  for (std::uint32_t name = m_node + 1; name < nodes[m_node].next; name = nodes[name + 1].next) {
    const char* at = m_document->m_text->data() + nodes[name].at + 1;
    // Names without escapes compare as they stand; the others decoded.
    const bool escaped = std::memchr(at, '\\', nodes[name + 1].at - nodes[name].at - 1) != nullptr;
    if (escaped ? JsonValue(m_document, name).text() == key : std::strncmp(at, key, length) == 0 && at[length] == '"')
      return JsonValue(m_document, name + 1);
  }
  return JsonValue();
}
