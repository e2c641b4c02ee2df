#include "ui/HelpPage.h"

#include <QDir>
#include <QFileInfo>

QStringList HelpPageCandidates(const QString& programFolder) {
  const QDir folder(programFolder);
  return {QDir::cleanPath(folder.filePath(kHelpPageName)),
          QDir::cleanPath(folder.filePath(QString("../share/vy-system/") + kHelpPageName))};
}

QString FindHelpPage(const QString& programFolder) {
  for (const QString& candidate : HelpPageCandidates(programFolder))
    if (QFileInfo(candidate).isFile()) return candidate;
  return {};
}
