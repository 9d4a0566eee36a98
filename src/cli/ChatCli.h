#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include <QJsonObject>
#include <QObject>

#include "cli/CliCommand.h"
#include "engine/VeyraChat.h"

class QSocketNotifier;

namespace tessra {

struct TCliOptions {
  QString Host;
  int Port = 0;
  TBytes User;
  TBytes Password;
  TBytes Character; // empty: the account's first character
  std::string ServerKeyHex;
  bool UseSocks = false;
  QString SocksHost;
  QString SocksPort;
  QString SocksUser;
  QString SocksPass;
};

// The headless client: logs in, then reads one command a line from standard
// input and writes every engine event to standard output as one JSON object a
// line. Errors go to standard error, one line each.
class TChatCli : public QObject {
public:
  TChatCli(TCliOptions options, std::FILE* out, std::FILE* err);
  ~TChatCli() override;

  void Start();
  // Reads commands from this file descriptor (standard input by default).
  void ListenTo(int fd);
  // Runs one command line, as if read from the input.
  void Execute(const std::string& line);

  TVeyraChat& Engine() { return Chat; }
  // The exit code: 0 after /quit or end of input, 1 when the login failed, 2
  // when the connection was lost otherwise.
  int ExitCode() const { return Code; }
  std::function<void(int code)> OnFinished;

private:
  void Emit(const QString& event, QJsonObject fields);
  void Error(const QString& text);
  void Finish(int code);
  void ReadInput();
  void RunCommand(const TCliCommand& command);
  void Quit();
  int GroupIndex(const std::string& name);

  TCliOptions Options;
  std::FILE* Out;
  std::FILE* Err;
  TDimensionInfo Dimension;
  TVeyraChat Chat;
  std::unique_ptr<QSocketNotifier> Input;
  int InputFd = -1;
  std::string Pending;
  bool LoggedIn = false;
  bool Quitting = false;
  bool LoginFailed = false;
  bool Running = false;
  bool Finished = false;
  int Code = 0;
};

} // namespace tessra
