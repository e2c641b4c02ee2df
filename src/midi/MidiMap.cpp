#include "midi/MidiMap.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "foundation/OzoLog.h"
#include "midi/MidiActions.h"
#include "platform/kernel/KernelFile.h"
#include "platform/registry/Registry.h"

namespace {
constexpr int kHighestDeck = 99;

// A whole decimal number within [low, high].
bool ParseNumber(const std::string& word, int low, int high, int* value) {
  if (word.empty() || word.size() > 3 || word.find_first_not_of("0123456789") != std::string::npos) return false;
  *value = std::stoi(word);
  return *value >= low && *value <= high;
}

// "" when the option fits the binding, else why not.
std::string ApplyOption(const std::string& option, TMidiBinding& b) {
  const TMidiActionKind kind = kMidiActions[b.action].kind;
  int deck = 0;
  if (option == "14bit" && kind == akAbsolute && b.kind == mkControl && b.number < 32)
    b.fine = true;
  else if (option == "invert" && kind == akAbsolute)
    b.invert = true;
  else if ((option == "twos" || option == "centred") && kind == akRelative)
    b.relative = option == "twos" ? mrTwosComplement : mrCentred;
  else if (option.rfind("deck=", 0) == 0 && ParseNumber(option.substr(5), 1, kHighestDeck, &deck))
    b.deck = deck;
  else
    return "option \"" + option + "\" does not fit";
  return "";
}

// "" and the binding, or why the line is broken.
std::string ParseLine(const std::string& line, TMidiBinding& b) {
  std::istringstream words(line);
  std::string action, type, channel, number;
  words >> action >> type >> channel >> number;
  int channelValue = 0, numberValue = 0;
  b.action = MidiActionIndex(action);
  if (b.action < 0) return "unknown action \"" + action + "\"";
  b.kind = type == "note" ? mkNote : type == "cc" ? mkControl : mkNone;
  if (b.kind == mkNone) return "type \"" + type + "\" is neither note nor cc";
  if (!ParseNumber(channel, 1, 16, &channelValue)) return "channel \"" + channel + "\" is not 1..16";
  if (!ParseNumber(number, 0, 127, &numberValue)) return "number \"" + number + "\" is not 0..127";
  b.channel = uint8_t(channelValue), b.number = uint8_t(numberValue);
  const TMidiActionKind kind = kMidiActions[b.action].kind;
  if (b.kind == mkNote && (kind == akAbsolute || kind == akRelative)) return action + " needs a cc";
  for (std::string option; words >> option;)
    if (std::string why = ApplyOption(option, b); !why.empty()) return why;
  return "";
}
}  // namespace

TMidiMapText ParseMidiMap(const std::string& text) {
  TMidiMapText map;
  std::istringstream lines(text);
  int lineNumber = 0;
  for (std::string line; std::getline(lines, line);) {
    ++lineNumber;
    line = line.substr(0, line.find('#'));
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    TMidiBinding binding;
    const std::string why = ParseLine(line, binding);
    if (why.empty())
      map.bindings.push_back(binding);
    else
      map.problems.push_back("line " + std::to_string(lineNumber) + ": " + why);
  }
  return map;
}

std::string FormatMidiBinding(const TMidiBinding& b) {
  std::string line = std::string(kMidiActions[b.action].name) + (b.kind == mkNote ? " note " : " cc ") +
                     std::to_string(b.channel) + " " + std::to_string(b.number);
  if (b.fine) line += " 14bit";
  if (b.invert) line += " invert";
  if (kMidiActions[b.action].kind == akRelative) line += b.relative == mrCentred ? " centred" : " twos";
  if (b.deck) line += " deck=" + std::to_string(b.deck);
  return line;
}

std::string FormatMidiMap(const std::vector<TMidiBinding>& bindings) {
  std::string text = "# action type channel number options\n";
  for (const TMidiBinding& b : bindings) text += FormatMidiBinding(b) + "\n";
  return text;
}

// Beside the settings store's folder.
std::string MidiMapPath() {
  const std::string hive = RegistryHiveFolder();
  return hive.empty() ? "" : hive.substr(0, hive.rfind('/')) + "/midi.map";
}

std::vector<TMidiBinding> LoadMidiMap(const std::string& path, bool logBroken) {
  std::ifstream file(path);
  if (!file) return {};
  std::ostringstream text;
  text << file.rdbuf();
  TMidiMapText map = ParseMidiMap(text.str());
  for (const std::string& problem : logBroken ? map.problems : std::vector<std::string>{})
    LogPrintf("MIDI map %s, %s: the line is skipped", path.c_str(), problem.c_str());
  return map.bindings;
}

bool SaveMidiMap(const std::string& path, const std::vector<TMidiBinding>& bindings) {
  const int error = path.empty() ? ENOENT : ReplaceFileWhole(path, FormatMidiMap(bindings));
  if (error) LogPrintf("MIDI map %s cannot be written: %s", path.c_str(), std::strerror(error));
  return error == 0;
}
