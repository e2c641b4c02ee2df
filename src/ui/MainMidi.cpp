#include "ui/MainMidi.h"

#include <QSocketNotifier>
#include <QWidget>
#include <chrono>

namespace {
int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

TMainMidi::TMainMidi(TVySystemTAG& deck, int deckNumber, THandlers handlers, QWidget& window)
    : handlers_(std::move(handlers)), control_(deck, *this, deckNumber) {
  if (control_.WakeFd() >= 0) {
    ready_ = std::make_unique<QSocketNotifier>(control_.WakeFd(), QSocketNotifier::Read, &window);
    QObject::connect(ready_.get(), &QSocketNotifier::activated, &window, [this] { control_.Drain(NowMs()); });
  }
  control_.Start();
}

TMainMidi::~TMainMidi() = default;

void TMainMidi::Tick() { control_.Tick(NowMs()); }
