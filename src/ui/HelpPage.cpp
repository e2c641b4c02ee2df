#include "ui/HelpPage.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "foundation/OzoError.h"
#include "ui/Vymain.h"

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

// The desktop's own browser shows the page; no shell is involved.
void TMainForm::ShowHelp() {
  const QString folder = QCoreApplication::applicationDirPath();
  const QString page = FindHelpPage(folder);
  if (!page.isEmpty()) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(page));
    return;
  }
  FormDeactivate();
  ShowMessageBox(MB_OK | MB_ICONERROR, kAppTitle, "The help page was not found at %s",
                 HelpPageCandidates(folder).join(" or ").toLocal8Bit().constData());
  FormActivate();
}
