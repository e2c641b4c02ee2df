// The deck console: one deck driven by text commands, one answer line each.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "deck/VySystem.h"
#include "midi/MidiControl.h"
#include "midi/MidiDeckTarget.h"

class DeckConsole {
 public:
  // A MIDI source kept from an earlier run is connected at once.
  explicit DeckConsole(TVySystemTAG& deck);

  // Runs one command line and returns its answer (without line break).
  std::string Run(const std::string& line);
  bool QuitRequested() const { return quit_; }
  // What the display timer does between commands.
  void Idle();
  // Readable when MIDI messages wait (-1: no MIDI yet); MidiReady runs them.
  int MidiFd() const { return midi_ ? midi_->WakeFd() : -1; }
  void MidiReady();
  // How long to wait before the next Idle (-1: until the next command).
  int IdleTimeoutMs();
  static constexpr int kTickMs = 37;  // the display timer's period
  static constexpr int kLongestIdleMs = 1000;

 private:
  struct TCommand;
  static const std::map<std::string, TCommand>& Commands();
  std::string Status();
  std::string Devices();
  std::string AnalysisFields();
  std::string SyncFields();
  bool WaitForAnalysis(long ms);
  void Wait(long ms);
  int DeckTimeoutMs();
  TMidiControl& Midi();
  std::string MidiCommand(const std::string& name, const std::vector<std::string>& words);

  TVySystemTAG& deck_;
  TMidiDeckTarget midiTarget_{deck_};
  std::unique_ptr<TMidiControl> midi_;  // made when first used
  bool quit_ = false;
};
