#pragma once

#include <QDialog>

class QTextBrowser;

namespace tessra {

// A plain window showing a reference's text until the reference viewer takes its place. The text
// is shown as it stands, never as a page: nothing in it is loaded or followed.
class TReferenceTextWindow : public QDialog {
  Q_OBJECT

public:
  explicit TReferenceTextWindow(QWidget* parent = nullptr);

  // Shows `text` and brings the window up.
  void ShowReference(const QString& text);
  QString Text() const;

private:
  QTextBrowser* Browser;
};

} // namespace tessra
