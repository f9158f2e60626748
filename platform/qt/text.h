#pragma once

#include <string>

#include <QString>

// Every string outside this folder is 8-bit text in the local code page.
inline QString ToQt(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string FromQt(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

// Characters as the user sees them: a letter with its combining marks counts once.
int VisibleLength(const QString& text);
