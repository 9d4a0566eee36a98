// Feeds arbitrary bytes from "the server" into a logged-in engine through an
// in-memory connection: every packet kind in the Logged In state, split at
// arbitrary offsets. The engine must report bad packets and go on.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <QCoreApplication>

#include "engine/LoginKey.h"
#include "engine/VeyraBlob.h"
#include "engine/VeyraChat.h"

using namespace tessra;

namespace {

QByteArray Frame(uint8_t kind, const std::vector<TPacketParam>& values) {
  const TBytes f = BuildIncomingFrame(kind, values);
  return QByteArray(f.data(), static_cast<qsizetype>(f.size()));
}

struct TFuzzEngine {
  TFuzzEngine() {
    auto connection = std::make_unique<TMemoryChatConnection>();
    Memory = connection.get();
    Chat = std::make_unique<TVeyraChat>(nullptr, nullptr, std::move(connection));
    Dimension.Host = QStringLiteral("127.0.0.1");
    Dimension.Port = 1;
    Chat->Dimension = &Dimension;
    Chat->UserName = "fuzz";
    Chat->Password = "fuzz";
    // A modular power: worked out once for every engine of the run.
    static const std::string serverValue = ServerValueFor(TBigInt::FromHex("1234567890abcdef"));
    Chat->ServerValueHex = serverValue;
    Chat->OnConnect = [](TVeyraChat& c) { c.Login2("Fuzzer"); };
    Chat->OnException = [](TVeyraChat&, const std::exception&) {};
    Chat->OnPrivateMessage = [this](TVeyraChat&, const TBytes& n, const TBytes& m, const TBlob* b) {
      Sink += n.size() + m.size() + (b ? b->Encode(3).size() : 0);
    };
    Chat->OnGroupMessage = [this](TVeyraChat& c, int idx, const TBytes& n, const TBytes& m,
                                  const TBlob*) {
      Sink += n.size() + m.size();
      if (idx >= 0) {
        Sink += c.GroupList().GetGroup(idx).Name.size();
      }
    };
    Chat->OnOfflinePrivMessage = [this](TVeyraChat&, const TBytes&, const TBytes&,
                                        const TStringsBlob* b) { Sink += b->Strings.size(); };
    Chat->OnSystemMessage = [this](TVeyraChat&, const TBytes& m) { Sink += m.size(); };
    Chat->OnFriendAdd = [this](TVeyraChat&, const TFriendInfo& f) { Sink += f.Name.size(); };
    Chat->Connect();
    Memory->Feed(Frame(ipLoginSeed, {TPacketParam::String("seed")}));
    Memory->Feed(Frame(ipLoginCharacterList,
                       {TPacketParam::IntegerArray({1}), TPacketParam::StringArray({"Fuzzer"}),
                        TPacketParam::IntegerArray({1}), TPacketParam::IntegerArray({0})}));
    Memory->Feed(Frame(ipLoginResultOK, {}));
  }

  TMemoryChatConnection* Memory = nullptr;
  std::unique_ptr<TVeyraChat> Chat;
  TDimensionInfo Dimension;
  size_t Sink = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int argc = 1;
  static char name[] = "fuzz_dispatch";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  // Logging in costs two modular powers, so one engine serves many inputs;
  // it is made anew whenever an input logged it out.
  static auto engine = std::make_unique<TFuzzEngine>();
  if (engine->Chat->State() != TChatState::csLoggedIn || engine->Chat->NameList().Count() > 5000) {
    engine = std::make_unique<TFuzzEngine>();
  }
  if (size == 0) {
    return 0;
  }
  // The first byte picks the chunk size the bytes arrive in (0: all at once).
  const size_t chunk = data[0];
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
  if (chunk == 0) {
    engine->Memory->Feed(bytes);
  } else {
    for (qsizetype pos = 0; pos < bytes.size(); pos += static_cast<qsizetype>(chunk)) {
      engine->Memory->Feed(bytes.mid(pos, static_cast<qsizetype>(chunk)));
    }
  }
  // Follow-up passes (the rest of a burst, what a bad packet left behind) run from the
  // event loop.
  for (int turn = 0; turn < 100 && engine->Chat->PassPending(); ++turn) {
    QCoreApplication::processEvents();
  }
  QCoreApplication::processEvents();
  return 0;
}
