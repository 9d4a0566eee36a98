#pragma once

#include <stdexcept>
#include <string>

#include <QString>

namespace tessra {

// The one exception type of the program. Every failure with a fixed English
// message ("Socket not connected", "Packet type %s not allowed in state %s")
// travels as one of these; the main window shows the text as an error line.
class TChatException : public std::runtime_error {
public:
  explicit TChatException(const std::string& message) : std::runtime_error(message) {}
  explicit TChatException(const char* message) : std::runtime_error(message) {}
  explicit TChatException(const QString& message) : std::runtime_error(message.toStdString()) {}

  QString Message() const { return QString::fromStdString(what()); }
};

// printf-style formatting of the fixed messages, which use %s placeholders.
// Only %s and %d are understood; a missing argument leaves the placeholder.
std::string FormatMessage(const char* pattern, std::initializer_list<std::string> args);

} // namespace tessra
