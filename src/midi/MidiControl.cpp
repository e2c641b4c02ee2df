#include "midi/MidiControl.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "deck/VySystem.h"
#include "foundation/OzoError.h"
#include "foundation/OzoLog.h"
#include "foundation/Preferences.h"
#include "midi/MidiActions.h"

namespace {
constexpr uint8_t kFineOffset = 32;  // a 14-bit cc's fine part comes on its number + 32

// The value a control's position asks for within [low, high], top highest.
int Scaled(int position, bool invert, int low, int high) {
  if (invert) position = kMidiFullScale - position;
  return low + int(std::lround(double(position) * (high - low) / kMidiFullScale));
}
}  // namespace

TMidiControl::TMidiControl(TVySystemTAG& deck, TMidiTarget& target, int deckNumber, std::string mapPath)
    : deck_(deck),
      target_(target),
      deckNumber_(deckNumber),
      mapPath_(std::move(mapPath)),
      port_(&TMidiControl::Receive, this),
      bindings_(LoadMidiMap(mapPath_)),
      states_(bindings_.size()) {}

TMidiControl::~TMidiControl() { port_.Close(); }

void TMidiControl::Receive(const uint8_t* bytes, size_t size, void* self) {
  const TMidiMessage message = DecodeMidi(bytes, size);
  if (message.kind != mkNone) static_cast<TMidiControl*>(self)->queue_.Push(message);
}

void TMidiControl::Start() {
  const std::string source = Preferences::Text(kMidiPortPreference, "");
  if (source.empty()) return;
  source_ = source;
  port_.Open(source);  // one not there yet is reported, and followed, by the watch
}

bool TMidiControl::Connect(const std::string& source) {
  port_.Close();
  ReleaseHeld();
  source_.clear();
  sourceGone_ = false;
  if (!source.empty() && !port_.Open(source)) return false;
  source_ = source;
  Preferences::SetText(kMidiPortPreference, source);
  return true;
}

// A controller unplugged is said once; it is connected again when it is
// back, also when it came back between two looks under new ALSA numbers.
void TMidiControl::WatchSource() {
  if (source_.empty()) return;
  const std::vector<std::string> sources = port_.Sources();
  const auto listed = std::find_if(sources.begin(), sources.end(),
                                   [&](const std::string& name) { return SameMidiSource(name, source_); });
  if (port_.IsOpen() && (listed == sources.end() || *listed != port_.ConnectedTo())) port_.Close();
  if (listed == sources.end() && !sourceGone_) {
    sourceGone_ = true;
    ReleaseHeld();  // its releases will never come
    ReportError(__FILE__, __LINE__, kReport, "MIDI: the controller \"%s\" is gone; it is followed again when it is back",
                source_.c_str());
  }
  if (listed != sources.end() && !port_.IsOpen() && port_.Open(*listed) && sourceGone_) {
    sourceGone_ = false;
    LogPrintf("MIDI: the controller \"%s\" is back", source_.c_str());
  }
}

void TMidiControl::Drain(int64_t nowMs) {
  TMidiMessage message;
  while (queue_.Pop(&message)) {
    if (learning_ >= 0 || lastLearnt_ >= 0)
      LearnFrom(message);
    else
      Act(message);
  }
  if (const uint32_t lost = queue_.TakeDropped()) LogPrintf("MIDI: %u messages lost", unsigned(lost));
  Apply(nowMs);
}

void TMidiControl::Tick(int64_t nowMs) {
  if (jogNudge_ != kaIdle && nowMs >= jogRestAt_) EndJogNudge();
  if (nowMs >= watchAt_) {
    watchAt_ = nowMs + kWatchMs;
    WatchSource();
  }
}

int TMidiControl::TickDueMs(int64_t nowMs) const {
  int64_t due = source_.empty() ? -1 : watchAt_;
  if (jogNudge_ != kaIdle) due = due < 0 ? jogRestAt_ : std::min(due, jogRestAt_);
  return due < 0 ? -1 : int(std::max<int64_t>(0, due - nowMs));
}

// The first note pressed or cc moved while learning is bound, and not acted
// on; a coarse cc whose fine part follows it becomes a 14-bit one.
void TMidiControl::LearnFrom(const TMidiMessage& m) {
  if (learning_ < 0) {
    const TMidiBinding learnt = bindings_[size_t(lastLearnt_)];
    lastLearnt_ = -1;
    if (m.kind == mkControl && m.channel == learnt.channel && m.number == learnt.number + kFineOffset &&
        kMidiActions[learnt.action].kind == akAbsolute && learnt.number < kFineOffset) {
      Rebind([&](TMidiBinding& b) { return b.SameControl(learnt) && b.action == learnt.action; }, learnt, true);
    }
    Act(m);
    return;
  }
  if (m.kind == mkNote && !m.Pressed()) return;
  const TMidiActionKind kind = kMidiActions[learning_].kind;
  if (m.kind == mkNote && (kind == akAbsolute || kind == akRelative)) return;  // it needs a fader or a wheel
  TMidiBinding binding;
  binding.action = learning_, binding.kind = m.kind, binding.channel = m.channel, binding.number = m.number;
  binding.relative = GuessRelative(m.value);
  binding.deck = deckNumber_;
  // This deck's binding of the action goes, and whatever this control did.
  Rebind(
      [&](TMidiBinding& b) {
        const bool sameControl = b.kind == m.kind && b.channel == m.channel && b.number == m.number;
        return Follows(b) && ((b.action == learning_ && b.deck == binding.deck) || sameControl);
      },
      binding, false);
  TControlState& learnt = states_.back();
  learnt.held = m.value > 0;  // its release is no new press
  learnt.absolute.Msb(m.value);
  lastLearnt_ = m.kind == mkControl ? int(bindings_.size() - 1) : -1;
  learning_ = -1;
}

// The file as it is now, so that what other decks learnt meanwhile stays;
// the lines `replaced` picks give way to `binding` (last), or with `fine`
// the line becomes a 14-bit one.
void TMidiControl::Rebind(const std::function<bool(TMidiBinding&)>& replaced, const TMidiBinding& binding, bool fine) {
  ReleaseHeld();  // the states are made anew
  bindings_ = LoadMidiMap(mapPath_, false);
  if (fine) {
    for (TMidiBinding& b : bindings_) b.fine = b.fine || replaced(b);
  } else {
    std::erase_if(bindings_, replaced);
    bindings_.push_back(binding);
  }
  states_.assign(bindings_.size(), TControlState{});
  SaveMidiMap(mapPath_, bindings_);
}

bool TMidiControl::Follows(const TMidiBinding& b) const {
  return b.deck == 0 || b.deck == (deckNumber_ ? deckNumber_ : 1);
}

void TMidiControl::Act(const TMidiMessage& m) {
  for (size_t i = 0; i < bindings_.size(); ++i) {
    const TMidiBinding& b = bindings_[i];
    if (b.kind != m.kind || b.channel != m.channel || !Follows(b)) continue;
    if (b.number == m.number) ActOn(i, m, false);
    if (b.fine && m.number == b.number + kFineOffset) ActOn(i, m, true);
  }
}

void TMidiControl::ActOn(size_t index, const TMidiMessage& m, bool fine) {
  const TMidiBinding& b = bindings_[index];
  const TMidiAction& action = kMidiActions[b.action];
  TControlState& state = states_[index];
  switch (action.kind) {
    case akPress:
    case akHold: {
      const bool pressed = m.value > 0;  // a note-off or a cc at 0 releases
      if (pressed == state.held) return;
      state.held = pressed;
      if (pressed || action.kind == akHold) target_.Key(action.key, pressed);
      return;
    }
    case akAbsolute:
      fine ? state.absolute.Lsb(m.value) : state.absolute.Msb(m.value);
      (action.level == mlPitch ? pitchBinding_ : volumeBinding_) = int(index);
      return;
    case akRelative:
      jogTicks_ += RelativeTicks(m.value, b.relative);
      return;
  }
}

// The faders take the last position of the drain, once it has met the
// deck's value; the wheel its ticks summed.
void TMidiControl::Apply(int64_t nowMs) {
  if (pitchBinding_ >= 0) {
    const TMidiBinding& b = bindings_[size_t(pitchBinding_)];
    TControlState& state = states_[size_t(pitchBinding_)];
    const int top = deck_.DeckInfo.Fader.Maximum;  // the slow end: the control's top is the fast one
    const int wanted = Scaled(state.absolute.Value(), b.invert, top, -top);
    TVyPitchInfo pitch;
    deck_.GetPitchInfo(pitch);
    if (state.takeover.Take(wanted, pitch.FaderValue, 2 * top * kTakeoverPercent / 100)) target_.PitchFader(wanted);
  }
  if (volumeBinding_ >= 0) {
    const TMidiBinding& b = bindings_[size_t(volumeBinding_)];
    TControlState& state = states_[size_t(volumeBinding_)];
    const int wanted = Scaled(state.absolute.Value(), b.invert, 0, 100);
    if (state.takeover.Take(wanted, deck_.Volume, kTakeoverPercent)) target_.Volume(wanted);
  }
  if (jogTicks_ != 0) Jog(jogTicks_, nowMs);
  pitchBinding_ = volumeBinding_ = -1;
  jogTicks_ = 0;
}

// Playing, the wheel bends the tempo while it turns; otherwise each tick
// moves the position by one search step.
void TMidiControl::Jog(int ticks, int64_t nowMs) {
  if (!deck_.TrackLoaded) return;
  if (deck_.State == dsPlaying) {
    const TDeckKeyAction bend = ticks > 0 ? kaBendFaster : kaBendSlower;
    if (jogNudge_ != bend) {
      EndJogNudge();
      target_.Key(bend, true);
      jogNudge_ = bend;
    }
    jogRestAt_ = nowMs + kJogRestMs;
    return;
  }
  TVyPlayInfo play;
  deck_.GetPlayInfo(play);
  const int64_t step = deck_.DeckInfo.SongInfo.StepValue;
  deck_.Seek(unsigned(std::max<int64_t>(0, int64_t(play.Time.Position) + ticks * step)));
}

void TMidiControl::ReleaseHeld() {
  for (size_t i = 0; i < bindings_.size(); ++i) {
    const TMidiAction& action = kMidiActions[bindings_[i].action];
    if (states_[i].held && action.kind == akHold) target_.Key(action.key, false);
    states_[i].held = false;
  }
  EndJogNudge();
}

void TMidiControl::EndJogNudge() {
  if (jogNudge_ != kaIdle) target_.Key(jogNudge_, false);
  jogNudge_ = kaIdle;
}
