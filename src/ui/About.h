// The About box: the product's title, version line, credits and the three
// links to the project (web site, mirror, e-mail), laid out at fixed
// positions. A click on a link or on the logo hands it to the desktop.
#pragma once
#include <QDialog>
#include <QUrl>

#include "ui_About.h"

inline constexpr const char* kAboutVersionLine = "Version 2.51   Nov 23 1999";
inline constexpr int kAboutCursor = 2000;  // the links' cursor, by its number

class TAboutBox : public QDialog, public Ui::TAboutBox {
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  // The link targets the build was configured with.
  static QUrl WebSite();
  static QUrl MirrorSite();
  static QUrl MailTo();

  void Image1Click();
  void Label5Click();
  void Label8Click();
  void Label9Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();
};
