#pragma once

#include <ostream>

#include <QString>
#include <QStringList>

// Readable QString and QStringList values in test failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
  *out << '{';
  for (qsizetype i = 0; i < list.size(); ++i) {
    *out << (i > 0 ? ", \"" : "\"") << list[i].toStdString() << '"';
  }
  *out << '}';
}
QT_END_NAMESPACE
