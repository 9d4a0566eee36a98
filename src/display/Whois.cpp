#include "Whois.h"

#include <algorithm>

#include <QNetworkAccessManager>

#include "display/WhoisLookup.h"
#include "engine/DimensionList.h"

namespace tessra {

TWhois::TWhois(const TWhoisSite& site)
    : WhoisSite(site), Manager(std::make_unique<QNetworkAccessManager>()) {}

TWhois::~TWhois() {
  // Abandon first, while the manager still exists.
  Abandon();
}

void TWhois::Abandon() {
  Lookups.clear();
}

int TWhois::WhoisDimension(const TDimensionList& list, const TDimensionInfo* current) {
  const int index = current != nullptr ? list.IndexOf(current) : -1;
  // A list without the built-in dimensions in front has no Merovan or Pellis at these indexes.
  if ((index == 0 || index == 1) && current->BuiltIn) {
    return index + 1;
  }
  return 0;
}

void TWhois::Start(const QString& name, int dimension) {
  auto lookup = std::make_unique<TWhoisLookup>(*Manager, WhoisSite, name, dimension);
  TWhoisLookup* started = lookup.get();
  started->OnWhoisTerminate = [this](TWhoisLookup& sender) { Ended(&sender); };
  Lookups.push_back(std::move(lookup));
  started->Start();
}

std::vector<TWhoisLookup*> TWhois::Running() const {
  std::vector<TWhoisLookup*> running;
  for (const auto& lookup : Lookups) {
    if (lookup->Running()) {
      running.push_back(lookup.get());
    }
  }
  return running;
}

void TWhois::Ended(TWhoisLookup* lookup) {
  const TWhoisResult result = lookup->Result();
  // The look-up goes once the event loop is back: this runs inside its own call chain.
  QMetaObject::invokeMethod(
      this,
      [this, lookup] {
        std::erase_if(Lookups, [lookup](const auto& l) { return l.get() == lookup; });
      },
      Qt::QueuedConnection);
  if (OnWhoisTerminate) {
    OnWhoisTerminate(*this, result);
  }
}

} // namespace tessra
