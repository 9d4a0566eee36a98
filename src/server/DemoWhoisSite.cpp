#include "server/DemoWhoisSite.h"

#include <memory>

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>

namespace tessra {

namespace {

// A request head larger than this is not one of ours; the connection is closed.
constexpr qsizetype kMaxRequestBytes = 8192;

struct TDemoBio {
  const char* Name;
  const char* FirstName;
  const char* LastName;
  int Level;
  const char* Breed;
  const char* Gender;
  const char* Faction;
  const char* Profession;
  const char* Title;
  int OrgId;
  const char* OrgName;
  const char* Rank;
};

// The demo's accounts and cast. The documents are ours; every text is plain
// ASCII, so no escaping is needed when they are put together below.
constexpr TDemoBio kBios[] = {
    {"Alira", "Alira", "Westwind", 120, "Nanomage", "Female", "Neutral", "Doctor", "Healer", 0, "",
     ""},
    {"Brannic", "", "", 45, "Atrox", "Neuter", "Clan", "Enforcer", "", 0, "", ""},
    {"Corwen", "Corwen", "Hale", 88, "Solitus", "Male", "Omni", "Engineer", "Tinkerer", 301,
     "Gearwrights", "Member"},
    {"Dessa", "", "", 12, "Opifex", "Female", "Neutral", "Agent", "", 0, "", ""},
    {"Mirelle", "Mirelle", "Ashgrove", 160, "Nanomage", "Female", "Clan", "Meta-Physicist",
     "Lorekeeper", 4711, "Night Watch", "Advisor"},
    {"Thorvald", "Thorvald", "Stonehand", 190, "Atrox", "Male", "Clan", "Enforcer", "Vanguard",
     4711, "Night Watch", "President"},
    {"Quillon", "", "", 73, "Opifex", "Male", "Omni", "Trader", "Merchant", 512, "Silver Scales",
     ""},
    {"Sabeth", "Sabeth", "Morrow", 134, "Solitus", "Female", "Neutral", "Soldier", "", 0, "", ""},
};

QByteArray Element(const char* name, const QByteArray& text) {
  return QByteArray("<") + name + ">" + text + "</" + name + ">";
}

QByteArray Document(const TDemoBio& bio) {
  // No nick: the character's name is the nick, and the client shows it anyway.
  QByteArray name;
  if (*bio.FirstName != '\0') {
    name += Element("firstname", bio.FirstName);
  }
  if (*bio.LastName != '\0') {
    name += Element("lastname", bio.LastName);
  }
  QByteArray stats = Element("level", QByteArray::number(bio.Level)) + Element("breed", bio.Breed) +
                     Element("gender", bio.Gender) + Element("faction", bio.Faction) +
                     Element("profession", bio.Profession);
  if (*bio.Title != '\0') {
    stats += Element("profession_title", bio.Title);
  }
  QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<character>" +
                    Element("name", name) + Element("basic_stats", stats);
  if (bio.OrgId != 0) {
    QByteArray org = Element("organization_id", QByteArray::number(bio.OrgId)) +
                     Element("organization_name", bio.OrgName);
    if (*bio.Rank != '\0') {
      org += Element("rank", bio.Rank);
    }
    body += Element("organization_membership", org);
  }
  return body + "</character>\n";
}

} // namespace

TDemoWhoisSite::TDemoWhoisSite() {
  for (const TDemoBio& bio : kBios) {
    // The demo's one dimension is the first, which the client asks for as 1.
    Pages[QByteArray("/character/bio/d/1/name/") + bio.Name + "/bio.xml"] = Document(bio);
  }
  QObject::connect(&Server, &QTcpServer::newConnection, [this] { Accept(); });
  Server.listen(QHostAddress(QHostAddress::LocalHost), 0);
}

QString TDemoWhoisSite::Host() const {
  return QStringLiteral("127.0.0.1:%1").arg(Server.serverPort());
}

TDemoWhoisSite::TAnswer TDemoWhoisSite::Answer(const QByteArray& path) const {
  const auto found = Pages.find(path);
  if (found == Pages.end()) {
    return {404, QByteArrayLiteral("<html><body>Not Found</body></html>\n")};
  }
  return {200, found->second};
}

void TDemoWhoisSite::Accept() {
  while (QTcpSocket* socket = Server.nextPendingConnection()) {
    // The socket is a child of the server, so any still open go with it.
    auto request = std::make_shared<QByteArray>();
    QPointer<QTcpSocket> guard(socket);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, guard, request] {
      if (!guard) {
        return;
      }
      *request += guard->readAll();
      const qsizetype end = request->indexOf("\r\n\r\n");
      if (end < 0) {
        if (request->size() > kMaxRequestBytes) {
          guard->abort();
        }
        return;
      }
      const QList<QByteArray> words = request->left(request->indexOf("\r\n")).split(' ');
      const TAnswer answer =
          words.value(0) == "GET" ? Answer(words.value(1)) : TAnswer{405, QByteArrayLiteral("")};
      request->clear();
      guard->write("HTTP/1.1 " + QByteArray::number(answer.Status) +
                   (answer.Status == 200 ? " OK" : " Error") +
                   "\r\nContent-Type: text/xml\r\nContent-Length: " +
                   QByteArray::number(answer.Body.size()) + "\r\nConnection: close\r\n\r\n" +
                   answer.Body);
      guard->disconnectFromHost();
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  }
}

} // namespace tessra
