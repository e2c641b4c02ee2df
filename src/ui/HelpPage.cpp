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

// The desktop's own browser shows the page; no shell is involved. Where no
// browser can be started, the page's place is told, so it can be read anyway.
void TMainForm::ShowHelp() {
  const QString folder = QCoreApplication::applicationDirPath();
  const QString page = FindHelpPage(folder);
  if (!page.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(page))) return;
  FormDeactivate();
  if (page.isEmpty())
    ShowMessageBox(MB_OK | MB_ICONERROR, kAppTitle, "The help page was not found at %s",
                   HelpPageCandidates(folder).join(" or ").toLocal8Bit().constData());
  else
    ShowMessageBox(MB_OK | MB_ICONERROR, kAppTitle, "No web browser could be started to show the help page %s",
                   page.toLocal8Bit().constData());
  FormActivate();
}
