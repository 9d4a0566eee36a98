// The dispatch pass over a buffer of a million "Message Private" packets into
// an empty handler, against a bare loop that only walks the packet headers of
// the same buffer, in the same run.
#include <chrono>
#include <cstdio>

#include <QCoreApplication>

#include "engine/LoginKey.h"
#include "engine/VeyraChat.h"

using namespace tessra;

namespace {

QByteArray Frame(uint8_t kind, const std::vector<TPacketParam>& values) {
  const TBytes f = BuildIncomingFrame(kind, values);
  return QByteArray(f.data(), static_cast<qsizetype>(f.size()));
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;

  auto connection = std::make_unique<TMemoryChatConnection>();
  TMemoryChatConnection* memory = connection.get();
  TVeyraChat chat(nullptr, nullptr, std::move(connection));
  TDimensionInfo dimension(QStringLiteral("Bench"), QString(), 1, QStringLiteral("127.0.0.1"));
  chat.Dimension = &dimension;
  chat.UserName = "bench";
  chat.Password = "bench";
  chat.ServerValueHex = ServerValueFor(TBigInt::FromHex("1234567890abcdef"));
  chat.OnConnect = [](TVeyraChat& c) { c.Login2("Bencher"); };
  chat.Connect();
  memory->Feed(Frame(ipLoginSeed, {TPacketParam::String("seed")}));
  memory->Feed(Frame(ipLoginCharacterList,
                     {TPacketParam::IntegerArray({1}), TPacketParam::StringArray({"Bencher"}),
                      TPacketParam::IntegerArray({1}), TPacketParam::IntegerArray({0})}));
  memory->Feed(Frame(ipLoginResultOK, {}));
  if (chat.State() != TChatState::csLoggedIn) {
    std::fprintf(stderr, "could not log in the benchmark engine\n");
    return 1;
  }
  memory->Feed(Frame(ipClientName, {TPacketParam::Integer(7), TPacketParam::String("Tyrin")}));

  const QByteArray one =
      Frame(ipMessagePrivate, {TPacketParam::Integer(7),
                               TPacketParam::String("hello there, how is the hunting today?"),
                               TPacketParam::Data(TBytes(1, '\0'))});
  QByteArray buffer;
  buffer.reserve(one.size() * count);
  for (int i = 0; i < count; ++i) {
    buffer.append(one);
  }

  // Baseline: walk the headers only.
  auto start = std::chrono::steady_clock::now();
  long long walked = 0;
  uint64_t checksum = 0;
  for (qsizetype pos = 0; pos + 4 <= buffer.size();) {
    const auto* p = reinterpret_cast<const uint8_t*>(buffer.constData() + pos);
    const int length = (p[2] << 8) | p[3];
    checksum += p[1];
    pos += 4 + length;
    ++walked;
  }
  const double baseline = Seconds(start);

  long long handled = 0;
  chat.OnPrivateMessage = [&handled](TVeyraChat&, const TBytes&, const TBytes&, const TBlob*) {
    ++handled;
  };
  start = std::chrono::steady_clock::now();
  memory->Feed(buffer);
  // A burst is handled a slice at a time, one event-loop turn each.
  while (chat.PassPending()) {
    QCoreApplication::processEvents();
  }
  const double dispatch = Seconds(start);

  if (handled != count || walked != count) {
    std::fprintf(stderr, "handled %lld of %d packets (walked %lld)\n", handled, count, walked);
    return 1;
  }
  const double packetsPerSecond = count / dispatch;
  std::printf("dispatch: %d packets in %.3f s; header walk %.4f s (checksum %llu)\n", count,
              dispatch, baseline, static_cast<unsigned long long>(checksum));
  std::printf("packets=%d packets_per_s=%.0f baseline_packets_per_s=%.0f ratio=%.1f\n", count,
              packetsPerSecond, count / baseline, dispatch / baseline);
  return 0;
}
