// The text of a profile file, read and changed without touching the file: each line keeps
// its byte offsets, so that a write can splice one value into the original bytes and leave
// everything else, line ends included, exactly as it was.
#include "platform/posix/profile_text.h"

#include <optional>

#include "platform/codepage.h"
#include "platform/profile_structure.h"

namespace brimsel::platform {
namespace {
using profile_structure::IsBlank;
using profile_structure::Trim;

// One line of the file. Offsets are into the whole file; `end` stops before CR LF or LF,
// `next` is where the following line starts.
struct Line {
  enum class Kind { Blank, Comment, Section, Key };
  Kind kind = Kind::Blank;
  std::size_t end = 0;
  std::size_t next = 0;
  std::string_view name;   // the section's or the key's name, trimmed
  std::string_view value;  // the key's value, trimmed; empty without "="
  std::size_t keyEnd = 0;  // offset just after the key's name
  bool hasEquals = false;
  std::size_t valueStart = 0;  // offset of the value (after the blanks that follow "=")
  bool hasLineEnd = false;
};

Line ParseLine(std::string_view file, std::size_t start) {
  Line line;
  std::size_t newline = file.find('\n', start);
  line.hasLineEnd = newline != std::string_view::npos;
  line.next = line.hasLineEnd ? newline + 1 : file.size();
  line.end = line.hasLineEnd ? newline : file.size();
  if (line.end > start && file[line.end - 1] == '\r') --line.end;

  std::size_t first = start;
  while (first < line.end && IsBlank(file[first])) ++first;
  const std::string_view text = file.substr(first, line.end - first);
  if (text.empty()) return line;
  if (text.front() == ';') {
    line.kind = Line::Kind::Comment;
  } else if (text.front() == '[') {
    line.kind = Line::Kind::Section;
    const std::size_t close = text.find(']');
    line.name = Trim(text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  } else {
    line.kind = Line::Kind::Key;
    const std::size_t equals = text.find('=');
    line.hasEquals = equals != std::string_view::npos;
    line.name = Trim(text.substr(0, equals));
    line.keyEnd = first + line.name.size();
    if (line.hasEquals) {
      std::size_t valueStart = first + equals + 1;
      while (valueStart < line.end && IsBlank(file[valueStart])) ++valueStart;
      line.valueStart = valueStart;
      line.value = Trim(file.substr(valueStart, line.end - valueStart));
    }
  }
  return line;
}

// Calls `visit` with each line in turn until it returns false.
template <class Visit>
void ForEachLine(std::string_view file, Visit visit) {
  std::size_t start = 0;
  if (file.starts_with("\xEF\xBB\xBF")) start = 3;  // a byte-order mark left by an editor
  while (start < file.size()) {
    const Line line = ParseLine(file, start);
    if (!visit(line)) return;
    start = line.next;
  }
}

// Where `key` of `section` is, or where it would go.
struct Location {
  std::optional<Line> key;            // the key's line, when present
  std::optional<Line> lastOfSection;  // the header or last key line of the first matching section
};

// Only the first section of that name counts, as with the Windows functions: a later
// section of the same name is neither read nor written.
Location Find(std::string_view file, std::string_view section, std::string_view key) {
  Location found;
  bool inSection = false;
  ForEachLine(file, [&](const Line& line) {
    if (line.kind == Line::Kind::Section) {
      if (inSection) return false;  // the end of the first matching section
      inSection = SameTextIgnoringCase(line.name, section);
      if (inSection) found.lastOfSection = line;
    } else if (inSection && line.kind == Line::Kind::Key) {
      found.lastOfSection = line;
      if (SameTextIgnoringCase(line.name, key)) {
        found.key = line;
        return false;
      }
    }
    return true;
  });
  return found;
}

// Whether the file's last line is a blank line with its line end.
bool EndsWithBlankLine(std::string_view file) {
  Line last;
  ForEachLine(file, [&](const Line& line) {
    last = line;
    return true;
  });
  return last.kind == Line::Kind::Blank && last.hasLineEnd;
}

std::string_view WithoutMatchingQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

std::string_view LineEndOf(std::string_view file) {
  const std::size_t newline = file.find('\n');
  if (newline != std::string_view::npos && (newline == 0 || file[newline - 1] != '\r')) return "\n";
  return "\r\n";
}

// What completes the file's last line when it has no line end: a CR alone, which the reads
// take off the line already, gets the LF it lacks (another CR would become part of the value).
std::string_view EndOfLastLine(std::string_view file, std::string_view lineEnd) {
  return !file.empty() && file.back() == '\r' ? "\n" : lineEnd;
}

}  // namespace

std::string ProfileWithValue(const std::string& file, std::string_view section, std::string_view key,
                             std::string_view value) {
  const Location location = Find(file, section, key);
  const std::string_view lineEnd = LineEndOf(file);
  std::string entry = std::string(key) + "=" + std::string(value);

  if (location.key) {  // replace the value, keep the key as spelt and everything around it
    const Line& line = *location.key;
    if (line.hasEquals) return file.substr(0, line.valueStart) + std::string(value) + file.substr(line.end);
    return file.substr(0, line.keyEnd) + "=" + std::string(value) + file.substr(line.end);
  }
  if (location.lastOfSection) {  // a new key after the section's last key
    const Line& line = *location.lastOfSection;
    if (!line.hasLineEnd) return file + std::string(EndOfLastLine(file, lineEnd)) + entry;
    return file.substr(0, line.next) + entry + std::string(lineEnd) + file.substr(line.next);
  }
  // A new section at the end, parted from what is before it by a blank line.
  std::string result = file;
  if (!result.empty()) {
    if (result.back() != '\n') result += EndOfLastLine(file, lineEnd);
    if (!EndsWithBlankLine(file)) result += lineEnd;
  }
  return result + "[" + std::string(section) + "]" + std::string(lineEnd) + entry + std::string(lineEnd);
}

std::string ProfileString(std::string_view file, std::string_view section, std::string_view key,
                          std::string_view defaultValue, std::size_t bufferSize) {
  const std::size_t room = bufferSize == 0 ? 0 : bufferSize - 1;
  std::string_view result = defaultValue;
  if (const std::optional<Line> line = Find(file, section, key).key) result = WithoutMatchingQuotes(line->value);
  return std::string(result.substr(0, room));
}

}  // namespace brimsel::platform
