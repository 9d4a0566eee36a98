#include "AboutBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "MainActions.h"

namespace tessra {

uint64_t TAboutBox::PhysicalMemory() {
#if defined(Q_OS_WIN)
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
#else
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) {
    return 0;
  }
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
#endif
}

QString TAboutBox::MemoryText(uint64_t bytes) {
  if (bytes == 0) {
    return QStringLiteral("unknown");
  }
  return QLocale(QLocale::English).toString(static_cast<qulonglong>(bytes / 1024)) +
         QStringLiteral(" KB");
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Tessra"));
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel(QStringLiteral("<b>Tessra +</b><br>A chat client for Veyra"), this);
  Version = new QLabel(QStringLiteral("Version ") + QStringLiteral(TESSRA_VERSION), this);
  Memory = new QLabel(QStringLiteral("Physical memory: ") + MemoryText(PhysicalMemory()), this);
  // Our own two addresses; the label hands them to the desktop's browser.
  auto* links = new QLabel(QStringLiteral("<a href=\"%1\">Tessra Website</a><br>"
                                          "<a href=\"%2\">Veyra Website</a>")
                               .arg(QString::fromLatin1(TMainActions::kTessraSiteUrl),
                                    QString::fromLatin1(TMainActions::kVeyraSiteUrl)),
                           this);
  links->setTextFormat(Qt::RichText);
  links->setOpenExternalLinks(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(name);
  layout->addWidget(Version);
  layout->addWidget(Memory);
  layout->addWidget(links);
  layout->addWidget(buttons);
}

} // namespace tessra
