#pragma once

#include <string>
#include <vector>

#include <QByteArray>
#include <QString>

#include "transport/TcpClient.h"

namespace tessra {

// Attaches to every notification of a connection and writes down what came,
// in order. Data is taken from the connection as it is announced.
class TEventRecorder {
public:
  explicit TEventRecorder(TTCPClient& client) : Client(client) {
    client.OnStateChange = [this](TSocketState oldState, TSocketState newState) {
      States.push_back(SocketStateName(oldState).toStdString() + "->" +
                       SocketStateName(newState).toStdString());
    };
    client.OnClientStateChange = [this](TClientState oldState, TClientState newState) {
      ClientStates.push_back(ClientStateName(oldState).toStdString() + "->" +
                             ClientStateName(newState).toStdString());
    };
    client.OnNegotiating = [this] { Events.push_back("negotiating"); };
    client.OnConnectFailed = [this] { Events.push_back("connect-failed"); };
    client.OnClose = [this] { Events.push_back("closed"); };
    client.OnError = [this](int code, const QString& text) {
      Events.push_back("error " + std::to_string(code));
      ErrorTexts.push_back(text.toStdString());
    };
    client.OnDataAvailable = [this] {
      if (Events.empty() || Events.back() != "data") {
        Events.push_back("data");
      }
      StatesAtData.push_back(Client.State());
      if (ReadOnData) {
        Data += Client.Read(Client.Buffered());
      }
    };
  }

  bool Has(const std::string& event) const {
    for (const std::string& e : Events) {
      if (e == event) {
        return true;
      }
    }
    return false;
  }

  void Clear() {
    Events.clear();
    States.clear();
    ClientStates.clear();
    ErrorTexts.clear();
    StatesAtData.clear();
    Data.clear();
  }

  TTCPClient& Client;
  bool ReadOnData = true;
  std::vector<std::string> Events;
  std::vector<std::string> States;
  std::vector<std::string> ClientStates;
  std::vector<std::string> ErrorTexts;
  std::vector<TSocketState> StatesAtData;
  QByteArray Data;
};

} // namespace tessra
