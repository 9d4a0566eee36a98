// Load on the reference server: N headless clients on loopback log in, then
// send tells to each other as fast as the server takes them (no 3300 ms
// pacing: the frames are written directly). The server runs as its own
// process so that its peak memory is its own. Latency is measured against a
// baseline from the same run: a "Ping" answered by the server alone.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTimer>

#include "engine/LoginKey.h"
#include "engine/VeyraChatPacket.h"

using namespace tessra;

namespace {

using TClock = std::chrono::steady_clock;

constexpr int kFirstId = 10000;

// Sleeps in the event loop until something happens (a timer wakes it now
// and then to look at the clock), so that the clients do not spin and take
// the processor from the server they measure.
bool Wait(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  QTimer tick;
  tick.start(10);
  while (!done()) {
    if (timer.elapsed() > timeoutMs) {
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// One raw client: a socket, a receive buffer and a packet callback.
class TLoadClient {
public:
  TLoadClient(int index, quint16 port) : Index(index) {
    QObject::connect(&Socket, &QTcpSocket::readyRead, [this] { Read(); });
    QObject::connect(&Socket, &QTcpSocket::connected,
                     [this] { Socket.setSocketOption(QAbstractSocket::LowDelayOption, 1); });
    Socket.connectToHost(QHostAddress::LocalHost, port);
  }

  void Write(const TBytes& frame) { Socket.write(frame.data(), static_cast<qint64>(frame.size())); }
  void Send(uint8_t kind, std::vector<TPacketParam> values) {
    Write(TVeyraChatOutgoingPacket(kind, std::move(values)).BuildFrame());
  }

  int Index;
  TBytes Seed;
  bool LoggedIn = false;
  std::function<void(TLoadClient&, const TVeyraChatIncomingPacket&)> OnPacket;

private:
  void Read() {
    const QByteArray bytes = Socket.readAll();
    Buffer.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    size_t offset = 0;
    while (Buffer.size() - offset >= 4) {
      const auto b = [&](size_t i) { return static_cast<uint8_t>(Buffer[offset + i]); };
      const size_t length = (size_t{b(2)} << 8) | b(3);
      if (Buffer.size() - offset < 4 + length) {
        break;
      }
      const TVeyraChatIncomingPacket packet(static_cast<int16_t>((b(0) << 8) | b(1)),
                                            Buffer.substr(offset + 4, length));
      offset += 4 + length;
      if (OnPacket) {
        OnPacket(*this, packet);
      }
    }
    Buffer.erase(0, offset);
  }

  QTcpSocket Socket;
  TBytes Buffer;
};

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const auto at = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

long PeakMemoryKb(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) {
    return -1;
  }
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) {
      return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
  }
  return -1;
}

int Fail(const char* what) {
  std::fprintf(stderr, "serverload: %s\n", what);
  return 1;
}

} // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  int clientCount = 200;
  int tellsPerClient = 50;
  int samples = 300;
  QString serverPath = QStringLiteral(TESSRA_SERVER_PATH);
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == QLatin1String("--clients")) {
      clientCount = std::max(2, args[i + 1].toInt());
    } else if (args[i] == QLatin1String("--tells")) {
      tellsPerClient = std::max(1, args[i + 1].toInt());
    } else if (args[i] == QLatin1String("--samples")) {
      samples = std::max(1, args[i + 1].toInt());
    } else if (args[i] == QLatin1String("--server")) {
      serverPath = args[i + 1];
    }
  }

  // One account with one character per client; no byte-rate limit.
  QJsonArray accounts;
  for (int i = 0; i < clientCount; ++i) {
    accounts.append(QJsonObject{
        {QStringLiteral("name"), QStringLiteral("load%1").arg(i)},
        {QStringLiteral("password"), QStringLiteral("pw")},
        {QStringLiteral("characters"),
         QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("Load%1").arg(i)},
                                {QStringLiteral("id"), kFirstId + i}}}}});
  }
  QTemporaryFile config;
  if (!config.open()) {
    return Fail("cannot write the configuration");
  }
  config.write(QJsonDocument(QJsonObject{{QStringLiteral("maxBytesPerSecond"), 0},
                                         {QStringLiteral("maxClients"), clientCount + 10},
                                         {QStringLiteral("maxPendingOutputBytes"), 64 << 20},
                                         {QStringLiteral("accounts"), accounts}})
                   .toJson());
  config.flush();

  QProcess server;
  server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  server.start(serverPath, {QStringLiteral("--config"), config.fileName(), QStringLiteral("--port"),
                            QStringLiteral("0")});
  QByteArray out;
  std::string key;
  quint16 port = 0;
  Wait(
      [&] {
        out += server.readAllStandardOutput();
        const QString text = QString::fromUtf8(out);
        const auto k = QRegularExpression(QStringLiteral("server key: ([0-9a-f]+)")).match(text);
        const auto l =
            QRegularExpression(QStringLiteral("listening on [^\\n]*:(\\d+)")).match(text);
        if (k.hasMatch() && l.hasMatch()) {
          key = k.captured(1).toStdString();
          port = static_cast<quint16>(l.captured(1).toUInt());
        }
        return port != 0 || server.state() == QProcess::NotRunning;
      },
      20000);
  if (port == 0) {
    return Fail("the server did not start");
  }

  // --- Logins. The keys are made first (client-side work, timed apart), so
  // that the login figure is the server's: decoding, lists, announcements.
  int seeds = 0;
  int loggedIn = 0;
  const auto onLoginPacket = [&](TLoadClient& self, const TVeyraChatIncomingPacket& p) {
    if (p.TypeIndex() == ipLoginSeed) {
      self.Seed = p.Param(0).AsString();
      ++seeds;
    } else if (p.TypeIndex() == ipLoginCharacterList) {
      self.Send(opLoginSelectCharacter, {TPacketParam::Integer(kFirstId + self.Index)});
    } else if (p.TypeIndex() == ipLoginResultOK) {
      self.LoggedIn = true;
      ++loggedIn;
    }
  };
  // Connections open in batches, as a listen queue of a usual size takes
  // them; the login itself is timed below with everybody at once.
  constexpr int kConnectBatch = 40;
  std::vector<std::unique_ptr<TLoadClient>> clients;
  for (int i = 0; i < clientCount; ++i) {
    clients.push_back(std::make_unique<TLoadClient>(i, port));
    clients.back()->OnPacket = onLoginPacket;
    if ((i + 1) % kConnectBatch == 0 || i + 1 == clientCount) {
      if (!Wait([&] { return seeds == i + 1; }, 60000)) {
        return Fail("not every client got its seed");
      }
    }
  }
  const auto keygenStart = TClock::now();
  std::vector<TBytes> keys;
  for (auto& c : clients) {
    keys.push_back(
        GenLoginKey("load" + std::to_string(c->Index), c->Seed, "pw", key, SystemRandomByte));
  }
  const double keygenMs =
      std::chrono::duration<double, std::milli>(TClock::now() - keygenStart).count();
  const auto loginStart = TClock::now();
  for (auto& c : clients) {
    c->Send(opLoginResponseGetCharList,
            {TPacketParam::Integer(0), TPacketParam::String("load" + std::to_string(c->Index)),
             TPacketParam::String(keys[static_cast<size_t>(c->Index)])});
  }
  if (!Wait([&] { return loggedIn == clientCount; }, 120000)) {
    return Fail("not every client logged in");
  }
  const double loginSeconds = std::chrono::duration<double>(TClock::now() - loginStart).count();

  // --- Throughput: every client writes all its tells at once.
  const long totalTells = static_cast<long>(clientCount) * tellsPerClient;
  long received = 0;
  for (auto& c : clients) {
    c->OnPacket = [&](TLoadClient&, const TVeyraChatIncomingPacket& p) {
      if (p.TypeIndex() == ipMessagePrivate) {
        ++received;
      }
    };
  }
  const auto tellStart = TClock::now();
  for (auto& c : clients) {
    TBytes frames;
    for (int k = 0; k < tellsPerClient; ++k) {
      const int to = (c->Index + 1 + k % (clientCount - 1)) % clientCount;
      frames +=
          TVeyraChatOutgoingPacket(opMessagePrivate,
                                   {TPacketParam::Integer(kFirstId + to),
                                    TPacketParam::String("load test message " + std::to_string(k)),
                                    TPacketParam::Data(TBytes(1, '\0'))})
              .BuildFrame();
    }
    c->Write(frames);
  }
  if (!Wait([&] { return received == totalTells; }, 300000)) {
    return Fail("tells were lost");
  }
  const double tellSeconds = std::chrono::duration<double>(TClock::now() - tellStart).count();

  // --- Latency: a tell and its answer, one round at a time; the baseline is
  // a ping answered by the server alone.
  bool answered = false;
  for (auto& c : clients) {
    c->OnPacket = [&](TLoadClient& self, const TVeyraChatIncomingPacket& p) {
      if (p.TypeIndex() == ipMessagePrivate && p.Param(1).AsString() == "rtt") {
        self.Send(opMessagePrivate,
                  {p.Param(0), TPacketParam::String("ack"), TPacketParam::Data(TBytes(1, '\0'))});
      } else if ((p.TypeIndex() == ipMessagePrivate && p.Param(1).AsString() == "ack") ||
                 p.TypeIndex() == ipPong) {
        answered = true;
      }
    };
  }
  std::vector<double> tellRtt;
  std::vector<double> pingRtt;
  for (int s = 0; s < samples; ++s) {
    TLoadClient& a = *clients[static_cast<size_t>(s % clientCount)];
    const int b = (s + 7) % clientCount == a.Index ? (s + 8) % clientCount : (s + 7) % clientCount;
    for (int kind = 0; kind < 2; ++kind) {
      answered = false;
      const auto start = TClock::now();
      if (kind == 0) {
        a.Send(opMessagePrivate, {TPacketParam::Integer(kFirstId + b), TPacketParam::String("rtt"),
                                  TPacketParam::Data(TBytes(1, '\0'))});
      } else {
        a.Send(opPing, {TPacketParam::Data(TBytes(1, 'p'))});
      }
      if (!Wait([&] { return answered; }, 10000)) {
        return Fail("a round trip got no answer");
      }
      const double us = std::chrono::duration<double, std::micro>(TClock::now() - start).count();
      (kind == 0 ? tellRtt : pingRtt).push_back(us);
    }
  }

  const long peakKb = PeakMemoryKb(server.processId());
  clients.clear();
  server.terminate();
  server.waitForFinished(10000);

  const double loginsPerSecond = clientCount / loginSeconds;
  const double tellsPerSecond = static_cast<double>(totalTells) / tellSeconds;
  const double rttP50 = Percentile(tellRtt, 0.50);
  const double rttP99 = Percentile(tellRtt, 0.99);
  const double pingP50 = Percentile(pingRtt, 0.50);
  std::printf("clients %d, %d tells each, %d latency samples\n", clientCount, tellsPerClient,
              samples);
  std::printf("client-side login keys: %.1f ms for %d (not in the login figure)\n", keygenMs,
              clientCount);
  std::printf("logins: %.0f/s (%.3f s for all)\n", loginsPerSecond, loginSeconds);
  std::printf("tells routed: %.0f/s (%ld in %.3f s)\n", tellsPerSecond, totalTells, tellSeconds);
  std::printf("tell round trip (A->B->A through the server): p50 %.0f us, p99 %.0f us\n", rttP50,
              rttP99);
  std::printf("baseline ping round trip: p50 %.0f us, p99 %.0f us\n", pingP50,
              Percentile(pingRtt, 0.99));
  std::printf("server peak memory (VmHWM): %ld kB\n", peakKb);
  std::printf("clients=%d logins_per_s=%.0f tells_per_s=%.0f rtt_p50_us=%.0f rtt_p99_us=%.0f "
              "ping_p50_us=%.0f rtt_vs_ping_p50=%.2f server_vmhwm_kb=%ld keygen_ms=%.0f\n",
              clientCount, loginsPerSecond, tellsPerSecond, rttP50, rttP99, pingP50,
              pingP50 > 0 ? rttP50 / pingP50 : 0.0, peakKb, keygenMs);
  return 0;
}
