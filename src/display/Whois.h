#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QString>

#include "display/WhoisResult.h"
#include "display/WhoisSite.h"

class QNetworkAccessManager;

namespace tessra {

class TDimensionInfo;
class TDimensionList;
class TWhoisLookup;

// The whois look-ups of the window: any number may run at once, each on its own; the window
// keeps no whois state. A look-up that is still running when this is destroyed is abandoned
// (its request stopped, no event).
class TWhois : public QObject {
public:
  explicit TWhois(const TWhoisSite& site = TWhoisSite());
  ~TWhois() override;
  TWhois(const TWhois&) = delete;
  TWhois& operator=(const TWhois&) = delete;

  // The site's dimension number for the current dimension: the first two built-in dimensions
  // of the list are the site's dimensions 1 and 2; every other one (also a dimension that is not
  // in the list, or none) gives 0, which the site does not serve.
  static int WhoisDimension(const TDimensionList& list, const TDimensionInfo* current);

  // Starts the look-up of name on the site's dimension (1 or 2).
  void Start(const QString& name, int dimension);

  // Abandons every look-up that is still running: its request is stopped, no event follows.
  void Abandon();

  // The look-ups that have not ended yet, oldest first.
  std::vector<TWhoisLookup*> Running() const;
  const TWhoisSite& Site() const { return WhoisSite; }
  QNetworkAccessManager& Network() { return *Manager; }

  // Raised on the GUI thread when a look-up has ended, with its result.
  std::function<void(TWhois& sender, const TWhoisResult& result)> OnWhoisTerminate;

private:
  void Ended(TWhoisLookup* lookup);

  TWhoisSite WhoisSite;
  // Declared before the look-ups: they are gone before the manager that holds their replies.
  std::unique_ptr<QNetworkAccessManager> Manager;
  std::vector<std::unique_ptr<TWhoisLookup>> Lookups;
};

} // namespace tessra
