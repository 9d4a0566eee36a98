#include "cli/CliCommand.h"

#include <algorithm>
#include <cctype>

namespace tessra {

const std::vector<TCliCommandShape>& CliCommandShapes() {
  static const std::vector<TCliCommandShape> kShapes = {
      {"tell", 1, true},      {"group", 1, true},   {"pgmsg", 1, true}, {"addbuddy", 1, false},
      {"rembuddy", 1, false}, {"invite", 1, false}, {"kick", 1, false}, {"kickall", 0, false},
      {"join", 1, false},     {"leave", 1, false},  {"mute", 1, false}, {"unmute", 1, false},
      {"lookup", 1, false},   {"ping", 0, false},   {"quit", 0, false},
  };
  return kShapes;
}

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Reads one word at pos: a double-quoted stretch, or up to the next blank.
std::optional<std::string> NextWord(const std::string& line, size_t& pos, std::string& error) {
  while (pos < line.size() && IsBlank(line[pos])) {
    ++pos;
  }
  if (pos >= line.size()) {
    return std::nullopt;
  }
  std::string word;
  if (line[pos] == '"') {
    const size_t close = line.find('"', pos + 1);
    if (close == std::string::npos) {
      error = "unterminated quote";
      return std::nullopt;
    }
    word = line.substr(pos + 1, close - pos - 1);
    pos = close + 1;
  } else {
    const size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos])) {
      ++pos;
    }
    word = line.substr(start, pos - start);
  }
  return word;
}

} // namespace

TCliParseResult ParseCliCommand(const std::string& raw) {
  std::string line = raw;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
    line.pop_back();
  }
  size_t pos = 0;
  while (pos < line.size() && IsBlank(line[pos])) {
    ++pos;
  }
  if (pos >= line.size() || line[pos] != '/') {
    return {std::nullopt, "commands start with /"};
  }
  size_t end = pos + 1;
  while (end < line.size() && !IsBlank(line[end])) {
    ++end;
  }
  TCliCommand command;
  command.Name = line.substr(pos + 1, end - pos - 1);
  std::transform(command.Name.begin(), command.Name.end(), command.Name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto& shapes = CliCommandShapes();
  const auto shape = std::find_if(shapes.begin(), shapes.end(), [&](const TCliCommandShape& s) {
    return command.Name == s.Name;
  });
  if (shape == shapes.end()) {
    return {std::nullopt, "unknown command /" + command.Name};
  }
  pos = end;
  std::string error;
  for (int i = 0; i < shape->Words; ++i) {
    std::optional<std::string> word = NextWord(line, pos, error);
    if (!word || word->empty()) {
      return {std::nullopt, error.empty() ? "/" + command.Name + ": missing argument" : error};
    }
    command.Words.push_back(*word);
  }
  if (shape->Text) {
    if (pos < line.size() && IsBlank(line[pos])) {
      ++pos;
    }
    command.Text = pos < line.size() ? line.substr(pos) : std::string();
    if (command.Text.empty()) {
      return {std::nullopt, "/" + command.Name + ": missing text"};
    }
  }
  return {command, {}};
}

} // namespace tessra
