#include "DeckConsole.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include <poll.h>

#include "audio/output/OzoDS.h"
#include "foundation/OzoError.h"
#include "foundation/Preferences.h"
#include "midi/MidiActions.h"

namespace {

const char* StateName(TVyDeckState state) {
  static const char* const kNames[] = {"empty", "paused", "playing", "cued", "searching"};
  return state <= dsSearching ? kNames[state] : "unknown";
}

// Well-formed UTF-8, without overlong forms or surrogates.
bool IsUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    uint32_t code = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next >> 6) != 0x2) return false;
      code = (code << 6) | (next & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

// A JSON string. Titles and names are bytes: those that are not UTF-8 (an
// ID3v1 title in Latin-1) are read as Latin-1, so the answer stays valid JSON.
std::string Quoted(const std::string& text) {
  const bool utf8 = IsUtf8(text);
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20 || (c >= 0x80 && !utf8)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

// An answer is one line: line breaks in a message are written as \n.
std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
  return out;
}

// Parses a whole decimal integer (beyond the long range, its nearest end);
// false for anything else.
bool ToInt(const std::string& text, long* value) {
  char* end = nullptr;
  *value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && end && *end == '\0';
}

std::string SelectDevice(TVySystemTAG& deck, const std::string& word, long index) {
  TStringList devices;
  const int count = EnumerateDevices(devices);
  std::string answer = "error no device " + word;
  if (index < count) {
    deck.Song.SetDevice(static_cast<const TGuid*>(devices.Objects(int(index))));
    answer = "ok";
  }
  FreeDeviceList(devices);
  return answer;
}

constexpr long kAny = 0;  // a range of kAny..kAny leaves a number unchecked

template <typename Action>
auto Ok(Action action) {
  return [action](DeckConsole&, TVySystemTAG& d, const auto&, const std::vector<long>& a) {
    action(d, a);
    return std::string("ok");
  };
}

int Optional(const std::vector<long>& a) { return a.empty() ? 0 : int(a[0]); }

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string QuotedList(const std::vector<std::string>& items) {
  std::string list = "[";
  for (size_t i = 0; i < items.size(); ++i) list += (i ? "," : "") + Quoted(items[i]);
  return list + "]";
}

}  // namespace

// One row per command: its usage, how many arguments it takes (maxArgs -1:
// any number), the range and step every numeric argument must keep, and
// what it does.
struct DeckConsole::TCommand {
  const char* usage;
  int minArgs, maxArgs;
  long low, high, multipleOf;
  bool files;  // the arguments are file names, not numbers
  std::function<std::string(DeckConsole&, TVySystemTAG&, const std::vector<std::string>&, const std::vector<long>&)>
      run;

  // Why the row refuses the arguments, or "" when it takes them.
  std::string Refusal(const std::vector<std::string>& words, std::vector<long>* numbers) const {
    if (!files) {
      for (const std::string& word : words) {
        long value;
        if (!ToInt(word, &value)) return "error not a number: " + word;
        // The deck takes 32-bit values: a larger one would wrap (seek 4294967297 to 1 ms).
        if (value < INT32_MIN || value > INT32_MAX) return "error out of range: " + word;
        numbers->push_back(value);
      }
    }
    const int count = int(words.size());
    bool fits = count >= minArgs && (maxArgs < 0 || count <= maxArgs);
    for (long n : *numbers) fits = fits && (low == high || (n >= low && n <= high)) && n % multipleOf == 0;
    return fits ? "" : std::string("error usage: ") + usage;
  }
};

const std::map<std::string, DeckConsole::TCommand>& DeckConsole::Commands() {
  static const std::map<std::string, TCommand> kCommands = {
      {"quit",
       {"quit", 0, 0, kAny, kAny, 1, false,
        [](DeckConsole& c, auto&, auto&, auto&) {
          c.quit_ = true;
          return std::string("ok");
        }}},
      {"status",
       {"status", 0, 0, kAny, kAny, 1, false, [](DeckConsole& c, auto&, auto&, auto&) { return c.Status(); }}},
      {"devices",
       {"devices", 0, 0, kAny, kAny, 1, false, [](DeckConsole& c, auto&, auto&, auto&) { return c.Devices(); }}},
      {"open",
       {"open FILE...", 1, -1, kAny, kAny, 1, true,
        [](DeckConsole&, TVySystemTAG& d, auto& files, auto&) {
          std::string list;
          for (const std::string& file : files) list += file + "\n";
          return d.OpenFiles(list, 0) == 0 ? std::string("ok") : "error " + OneLine(GetLastErrorText());
        }}},
      {"wait",
       {"wait MS", 1, 1, 0, LONG_MAX, 1, false,
        [](DeckConsole& c, auto&, auto&, auto& a) {
          c.Wait(a[0]);
          return std::string("ok");
        }}},
      {"device",
       {"device N", 1, 1, 0, LONG_MAX, 1, false,
        [](DeckConsole&, TVySystemTAG& d, auto& words, auto& a) { return SelectDevice(d, words[0], a[0]); }}},
      {"play", {"play", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.PlayPause(); })}},
      {"cue-down", {"cue-down", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.CueDown(); })}},
      {"cue-up", {"cue-up", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.CueUp(); })}},
      {"play-cue-key",
       {"play-cue-key", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.PlayCueKey(); })}},
      {"ff-down", {"ff-down [MASK]", 0, 1, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto& a) {
                     d.ForwardDown(Optional(a));
                   })}},
      {"ff-up", {"ff-up", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.ForwardUp(); })}},
      {"rw-down",
       {"rw-down [MASK]", 0, 1, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto& a) { d.RewindDown(Optional(a)); })}},
      {"rw-up", {"rw-up", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.RewindUp(); })}},
      {"next", {"next [FLAGS]", 0, 1, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto& a) {
                  d.NextTrack(unsigned(Optional(a)));
                })}},
      {"prev", {"prev [FLAGS]", 0, 1, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto& a) {
                  d.PrevTrack(unsigned(Optional(a)));
                })}},
      {"seek", {"seek MS", 1, 1, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto& a) {
                  d.Seek(unsigned(std::max(a[0], 0L)));
                })}},
      {"pitch-fader",
       {"pitch-fader V", 1, 1, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto& a) { d.SetPitchFader(int(a[0])); })}},
      {"nudge", {"nudge D", 1, 1, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto& a) { d.NudgePitch(int(a[0])); })}},
      {"pitch-toggle",
       {"pitch-toggle", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.TogglePitch(); })}},
      {"bend-fast-down", {"bend-fast-down [MASK]", 0, 1, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto& a) {
                            d.BendFastDown(Optional(a));
                          })}},
      {"bend-fast-up",
       {"bend-fast-up", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.BendFastUp(); })}},
      {"bend-slow-down", {"bend-slow-down [MASK]", 0, 1, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto& a) {
                            d.BendSlowDown(Optional(a));
                          })}},
      {"bend-slow-up",
       {"bend-slow-up", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.BendSlowUp(); })}},
      {"volume",
       {"volume 0..100", 1, 1, 0, 100, 1, false, Ok([](TVySystemTAG& d, auto& a) { d.SetVolume(int(a[0])); })}},
      {"balance", {"balance -100..100", 1, 1, -100, 100, 1, false, Ok([](TVySystemTAG& d, auto& a) {
                     d.SetBalance(int(a[0]), false);
                   })}},
      {"downmix", {"downmix -100|0|100", 1, 1, -100, 100, 100, false, Ok([](TVySystemTAG& d, auto& a) {
                     d.SetBalance(int(a[0]), true);
                   })}},
      {"keylock", {"keylock 0|1", 1, 1, 0, 1, 1, false, Ok([](TVySystemTAG& d, auto& a) { d.SetKeylock(a[0] == 1); })}},
      {"link", {"link 0|1", 1, 1, 0, 1, 1, false, Ok([](TVySystemTAG& d, auto& a) { d.SetLink(a[0] == 1); })}},
      {"sync", {"sync 0|1", 1, 1, 0, 1, 1, false,
                [](DeckConsole&, TVySystemTAG& d, auto&, auto& a) {
                  const std::string refusal = d.SetSync(a[0] == 1);
                  return refusal.empty() ? std::string("ok") : "error " + refusal;
                }}},
      {"quantum", {"quantum 1..16", 1, 1, 1, 16, 1, false, Ok([](TVySystemTAG& d, auto& a) { d.SetQuantum(int(a[0])); })}},
      {"mute-down", {"mute-down", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.MuteDown(); })}},
      {"mute-up", {"mute-up", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.MuteUp(); })}},
      {"time-mode", {"time-mode", 0, 0, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto&) { d.ToggleTimeMode(); })}},
      {"analysis-wait",
       {"analysis-wait MS", 1, 1, 0, LONG_MAX, 1, false,
        [](DeckConsole& c, auto&, auto&, auto& a) {
          return c.WaitForAnalysis(a[0]) ? std::string("ok") : std::string("error timeout");
        }}},
      {"autogain", {"autogain 0|1", 1, 1, 0, 1, 1, false, Ok([](TVySystemTAG& d, auto& a) {
                      d.SetAutoGain(a[0] != 0, d.AutoGainTargetLufs());
                    })}},
      {"midi-ports", {"midi-ports", 0, 0, kAny, kAny, 1, true, [](DeckConsole& c, auto&, auto& w, auto&) {
                        return c.MidiCommand("midi-ports", w);
                      }}},
      {"midi-connect", {"midi-connect NAME", 1, -1, kAny, kAny, 1, true, [](DeckConsole& c, auto&, auto& w, auto&) {
                          return c.MidiCommand("midi-connect", w);
                        }}},
      {"midi-learn", {"midi-learn ACTION", 1, 1, kAny, kAny, 1, true, [](DeckConsole& c, auto&, auto& w, auto&) {
                        return c.MidiCommand("midi-learn", w);
                      }}},
      {"midi-map", {"midi-map", 0, 0, kAny, kAny, 1, true, [](DeckConsole& c, auto&, auto& w, auto&) {
                      return c.MidiCommand("midi-map", w);
                    }}},
      {"prefs", {"prefs FLAGS END RANGE", 3, 3, kAny, kAny, 1, false, Ok([](TVySystemTAG& d, auto& a) {
                   TVyPreferences p;
                   d.GetPreferences(p);
                   p.Flags = uint32_t(a[0]), p.EndOfTrack = uint8_t(a[1]), p.PitchRange = uint8_t(a[2]);
                   d.SetPreferences(p);
                   d.UpdateFaderInfo();
                 })}},
  };
  return kCommands;
}

DeckConsole::DeckConsole(TVySystemTAG& deck) : deck_(deck) {
  if (!Preferences::Text(kMidiPortPreference, "").empty()) Midi().Start();
}

void DeckConsole::Idle() {
  deck_.CheckEndOfTrack();
  if (midi_) midi_->Tick(NowMs());
}

void DeckConsole::MidiReady() {
  if (midi_) midi_->Drain(NowMs());
}

TMidiControl& DeckConsole::Midi() {
  if (!midi_) midi_ = std::make_unique<TMidiControl>(deck_, midiTarget_);
  return *midi_;
}

// A source's name may hold spaces: the words after the command are it.
std::string DeckConsole::MidiCommand(const std::string& name, const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) joined += (joined.empty() ? "" : " ") + word;
  TMidiControl& midi = Midi();
  if (name == "midi-ports") return QuotedList(midi.Sources());
  if (name == "midi-connect") return midi.Connect(joined) ? "ok" : "error " + OneLine(midi.Error());
  if (name == "midi-learn") {
    const int action = MidiActionIndex(joined);
    if (action < 0) return "error unknown action: " + joined;
    midi.Learn(action);
    return "ok";
  }
  std::vector<std::string> lines;
  for (const TMidiBinding& binding : midi.Bindings()) lines.push_back(FormatMidiBinding(binding));
  return QuotedList(lines);
}

std::string DeckConsole::Run(const std::string& line) {
  Idle();  // commands back to back must not hold off the end-of-track check
  std::istringstream words(line);
  std::string name;
  words >> name;
  std::vector<std::string> args;
  for (std::string word; words >> word;) args.push_back(word);

  auto command = Commands().find(name);
  if (command == Commands().end()) return "error unknown command: " + name;
  std::vector<long> numbers;
  const std::string refusal = command->second.Refusal(args, &numbers);
  if (!refusal.empty()) return refusal;
  return command->second.run(*this, deck_, args, numbers);
}

void DeckConsole::Wait(long ms) {
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  for (auto now = Clock::now(); now < until; now = Clock::now()) {
    Idle();
    const int timeout = IdleTimeoutMs();
    const Clock::duration left = until - now;
    const auto sleep = timeout < 0 ? left : std::min<Clock::duration>(left, std::chrono::milliseconds(timeout));
    pollfd midi{MidiFd(), POLLIN, 0};
    // Rounded up: a wait of less than a millisecond would spin.
    const int sleepMs = int(std::chrono::ceil<std::chrono::milliseconds>(sleep).count());
    if (poll(&midi, 1, sleepMs) > 0) MidiReady();
  }
}

// Only a playing deck can reach the end of its track, and only once the end
// is in the ring, or when little is left by the clock: no rate reaches twice
// the file's, so half the time left is safe. Otherwise a look each second
// notices the end being written, at least most of a ring before it is heard.
int DeckConsole::IdleTimeoutMs() {
  const int midi = midi_ ? midi_->TickDueMs(NowMs()) : -1;
  const int deck = DeckTimeoutMs();
  return midi < 0 ? deck : deck < 0 ? midi : std::min(midi, deck);
}

int DeckConsole::DeckTimeoutMs() {
  if (deck_.State != dsPlaying) return -1;
  if (deck_.Song.EndMarker().EndWritten()) return kTickMs;
  const long left = long(deck_.DeckInfo.SongInfo.Length) - long(deck_.Song.GetPosition());
  return int(std::clamp<long>(left / 2, kTickMs, kLongestIdleMs));
}

// The analysis runs on; the deck is looked after as Wait does.
bool DeckConsole::WaitForAnalysis(long ms) {
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    Idle();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (deck_.Analysis().WaitFor(int(std::clamp<long>(left, 0, kTickMs)))) break;
    if (left <= 0) return false;
  }
  Idle();  // the result is taken (auto-gain applied) before the answer
  return true;
}

// Link and sync; the tempos are null while unknown.
std::string DeckConsole::SyncFields() {
  auto number = [](double value) {
    if (!(value > 0)) return std::string("null");
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return std::string(text);
  };
  TDeckSync& sync = deck_.BeatSync();
  char error[32] = "null";
  if (deck_.Synced()) std::snprintf(error, sizeof error, "%.3f", sync.ErrorMs());
  return ",\"link\":{\"enabled\":" + std::string(sync.LinkEnabled() ? "true" : "false") +
         ",\"peers\":" + std::to_string(sync.Peers()) + ",\"tempo\":" + number(sync.SessionTempo()) + "}" +
         ",\"sync\":" + (deck_.Synced() ? "true" : "false") + ",\"bpmEffective\":" + number(deck_.EffectiveBpm()) +
         ",\"syncErrorMs\":" + error;
}

// The analysis' figures, null until it is done.
std::string DeckConsole::AnalysisFields() {
  const std::optional<TTrackAnalysis> result = deck_.Analysis().Result();
  auto number = [&result](double value) {
    if (!result || !std::isfinite(value)) return std::string("null");
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return std::string(text);
  };
  char gain[32];
  std::snprintf(gain, sizeof gain, "%.2f", deck_.GainDb());
  return ",\"analysis\":" + Quoted(AnalysisStateName(deck_.Analysis().State())) +
         ",\"bpm\":" + number(result ? result->bpm : 0) +
         ",\"firstBeatMs\":" + number(result ? result->firstBeatSeconds * 1000 : 0) +
         ",\"loudnessLufs\":" + number(result ? result->loudnessLufs : 0) + ",\"gainDb\":" + gain;
}

std::string DeckConsole::Status() {
  TVyPlayInfo play;
  deck_.GetPlayInfo(play);
  TVyPitchInfo pitch;
  deck_.GetPitchInfo(pitch);
  const TVySongInfo& song = deck_.DeckInfo.SongInfo;
  std::ostringstream json;
  json << "{\"state\":" << Quoted(StateName(deck_.State)) << ",\"position\":" << play.Time.Position
       << ",\"length\":" << song.Length << ",\"cue\":" << play.Time.CuePoint << ",\"title\":" << Quoted(song.Title)
       << ",\"track\":" << Quoted(song.TrackText) << ",\"time\":" << Quoted(play.Time.TimeText)
       << ",\"hundredths\":" << Quoted(play.Time.HundredthsText) << ",\"pitch_text\":" << Quoted(pitch.PitchText)
       << ",\"pitch\":" << pitch.Pitch << ",\"pitch_on\":" << (pitch.PitchOn ? "true" : "false")
       << ",\"rate\":" << pitch.Rate << ",\"keylock\":" << (deck_.Keylock() ? "true" : "false") << ",\"volume\":" << deck_.Volume << ",\"balance\":" << deck_.Balance
       << ",\"levels\":[" << play.LevelLeft << "," << play.LevelRight << "]"
       << ",\"end_reached\":" << (deck_.Song.EndMarker().EndReached() ? "true" : "false")
       << AnalysisFields() << SyncFields() << ",\"playlist_count\":" << deck_.PlayList.Entries.Count()
       << ",\"playlist_index\":" << deck_.PlayList.CurrentIndex << "}";
  return json.str();
}

std::string DeckConsole::Devices() {
  TStringList devices;
  const int count = EnumerateDevices(devices);
  std::string list = "[";
  for (int i = 0; i < count; ++i) list += (i ? "," : "") + Quoted(devices.Strings(i));
  FreeDeviceList(devices);
  return list + "]";
}
