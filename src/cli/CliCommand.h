#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessra {

// One line of tessra-cli input: "/tell NAME TEXT", "/group "Trade Shopping 1"
// TEXT", ... The command name is lower-cased; a word in double quotes may hold
// spaces. Text is whatever follows the leading words, unchanged.
struct TCliCommand {
  std::string Name;
  std::vector<std::string> Words; // the leading arguments
  std::string Text;               // the rest of the line, for message commands
};

// How many leading words each command takes and whether a text follows.
struct TCliCommandShape {
  const char* Name;
  int Words;
  bool Text;
};

const std::vector<TCliCommandShape>& CliCommandShapes();

// Parses one line. Fails (with a message fit for standard error) for an
// unknown command, a missing argument or an unterminated quote.
struct TCliParseResult {
  std::optional<TCliCommand> Command;
  std::string Error;
};
TCliParseResult ParseCliCommand(const std::string& line);

} // namespace tessra
