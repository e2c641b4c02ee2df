// vys [FILE...]: one deck in its own window, playing the files given.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "AnalyzeCommand.h"
#include "audio/decoders/SoundFormats.h"
#include "platform/kernel/KernelProcess.h"
#include "platform/keyboard/KeyboardQtGlue.h"
#include "ui/QtMessageBox.h"
#include "ui/Vymain.h"

namespace {
constexpr const char* kVersionText = "Vy-System 2.51\n";
constexpr const char* kUsageHead =
    "Usage: vys [OPTION]... [FILE]...\n"
    "One DJ deck in its own window, playing the FILEs given as one playlist\n";
constexpr const char* kUsageOptions =
    "\n"
    "Options start with - or / and are case-insensitive:\n"
    "  -sc N      play through output device N of the preferences' list (0: the first)\n"
    "             (this run only)\n"
    "  -log       write the log file vys.log (this run only)\n"
    "  -x N       put the window's left edge at N pixels (this run only)\n"
    "  -y N       put the window's top edge at N pixels (this run only)\n"
    "  -key N     F<N> (1 to 12) brings this deck to the front from anywhere (this run only)\n"
    "  --analyze PATH...  analyse the tracks named and those in the folders named\n"
    "             (and below) into the analysis cache, print \"BPM  LUFS  path\" per\n"
    "             track and exit, without a window or sound\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Files:\n"
    "  $XDG_CONFIG_HOME/vy-system/registry/Software/Ozo/VySystem/Config\n"
    "             the stored settings (XDG_CONFIG_HOME defaults to ~/.config)\n"
    "  vys.log    beside the program when that folder is writable, else\n"
    "             $XDG_STATE_HOME/vy-system/vys.log (XDG_STATE_HOME defaults to ~/.local/state)\n"
    "  $XDG_CACHE_HOME/vy-system/analysis.sqlite\n"
    "             the tracks' analyses, shared by every deck (XDG_CACHE_HOME defaults to ~/.cache)\n"
    "\n"
    "Environment:\n"
    "  VYS_AUDIO       the output: unset for the sound system; none, null,\n"
    "                  wav:PATH or wav-steps:PATH for stand-ins\n"
    "  VYS_AUDIO_RATE  the stand-ins' sample rate (default 48000)\n"
    "  XDG_CONFIG_HOME, XDG_STATE_HOME  where settings and the log go\n"
    "  DISPLAY         the X display; without one the deck runs on the platform\n"
    "                  Qt finds (Wayland), without the activation hot key\n";

std::string UsageText() { return kUsageHead + ("(" + FormatNamesText() + ").\n") + kUsageOptions; }

// The batch analysis runs without a window: it answers before Qt starts.
int AnswerAnalyzeOption(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], kAnalyzeOption) != 0) return -1;
  if (argc < 3) return std::fputs("Usage: vys --analyze PATH...\n", stderr), 2;
  return RunAnalyzeCommand(std::vector<std::string>(argv + 2, argv + argc), AnalyseTrack);
}

// The two conventional words answer before any window system is touched.
int AnswerConventionalWord(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) return std::fputs(UsageText().c_str(), stdout) < 0 ? 1 : 0;
    if (std::strcmp(argv[i], "--version") == 0) return std::fputs(kVersionText, stdout) < 0 ? 1 : 0;
  }
  return -1;
}

// The deck repaints a few small controls 27 times a second. With shared-memory
// images Qt waits for the X server before every paint; sending the few changed
// pixels down the connection costs the deck less. A user's own choice stands.
void PreferImagesOverTheConnection() {
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
}

// Off X11 (no X display at all, a Wayland session without XWayland) the keys
// come from the window's own events; what needs the X server is said once.
void TellWhatNeedsX11() {
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("xcb")) return;
  std::fprintf(stderr,
               "vys: running on Qt's %s platform without an X display: the activation hot key (-key) does not "
               "work, and the deck hears keys only while its window has the focus\n",
               qPrintable(platform));
}
}  // namespace

int main(int argc, char** argv) {
  ShareOneHeap();
  if (int answered = AnswerConventionalWord(argc, argv); answered >= 0) return answered;
  if (int analysed = AnswerAnalyzeOption(argc, argv); analysed >= 0) return analysed;
  // The sound server answers while Qt starts: the output is open by the time
  // the window asks for it.
  PrepareStartDevice(std::vector<std::string>(argv + 1, argv + argc));
  PreferX11Platform();
  PreferImagesOverTheConnection();
  QApplication app(argc, argv);
  QApplication::setApplicationName(kAppTitle);
  ChooseKeySnapshotSource();
  TellWhatNeedsX11();
  InstallQtMessageBox();
  try {
    TMainForm form(SystemDecks());
    // argv as Qt left it (its own options taken out), not app.arguments(),
    // which would replace the bytes of a name that is not valid UTF-8.
    if (int failure = form.FormCreate(std::vector<std::string>(argv + 1, argv + argc), TMainForm::TStartFiles::kOnceShown))
      return failure;
    form.show();
    return app.exec();
  } catch (const std::exception& error) {
    // What escapes the window is shown, then the program ends as usual.
    QMessageBox::critical(nullptr, kAppTitle, QString::fromLocal8Bit(error.what()));
    return 0;
  }
}
