// vys [FILE...]: one deck in its own window, playing the files given.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "platform/keyboard/KeyboardQtGlue.h"
#include "ui/QtMessageBox.h"
#include "ui/Vymain.h"

int main(int argc, char** argv) {
  PreferX11Platform();
  QApplication app(argc, argv);
  QApplication::setApplicationName(kAppTitle);
  ChooseKeySnapshotSource();
  InstallQtMessageBox();
  try {
    TMainForm form;
    if (int failure = form.FormCreate(app.arguments().mid(1))) return failure;
    form.show();
    return app.exec();
  } catch (const std::exception& error) {
    // What escapes the window is shown, then the program ends as usual.
    QMessageBox::critical(nullptr, kAppTitle, QString::fromLocal8Bit(error.what()));
    return 0;
  }
}
