#include "percent_expansion.h"

#include <unistd.h>

#include "platform/codepage.h"

namespace brimsel::batchrun {

std::optional<std::string> ExpandPercents(std::string_view line, const ExpansionContext& context, std::string& error) {
  std::string out;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] != '%') {
      out += line[i++];
      continue;
    }
    const std::size_t next = i + 1;
    if (next < line.size() && line[next] == '%') {
      out += '%';
      i = next + 1;
    } else if (next < line.size() && line[next] == '0') {
      out += context.scriptArgument;
      i = next + 1;
    } else if (next < line.size() && ((line[next] >= '1' && line[next] <= '9') || line[next] == '*')) {
      i = next + 1;  // no arguments
    } else if (next < line.size() && line[next] == '~') {
      error = "argument modifiers (%~) are not supported";
      return std::nullopt;
    } else {
      const std::size_t close = line.find('%', next);
      if (close == std::string_view::npos) {
        i = next;  // a lone "%" is dropped
        continue;
      }
      const std::string_view name = line.substr(next, close - next);
      const std::size_t colon = name.find(':');
      const std::string_view variable = name.substr(0, colon);
      const std::optional<std::string> value = context.variable ? context.variable(variable) : std::nullopt;
      if (colon != std::string_view::npos) {
        if (value) {
          error = "variable edits (%NAME:...%) are not supported";
          return std::nullopt;
        }
        i = next + colon + 1;  // "%NAME:" goes; reading goes on after the colon
        continue;
      }
      if (value) out += *value;
      i = close + 1;
    }
  }
  return out;
}

std::optional<std::string> EnvironmentVariable(std::string_view name) {
  if (name.empty()) return std::nullopt;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view assignment(*entry);
    const std::size_t equals = assignment.find('=');
    if (equals != std::string_view::npos && platform::SameTextIgnoringCase(assignment.substr(0, equals), name))
      return platform::Utf8ToFileName(assignment.substr(equals + 1));
  }
  return std::nullopt;
}

}  // namespace brimsel::batchrun
