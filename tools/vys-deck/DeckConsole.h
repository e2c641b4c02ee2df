// The deck console: one deck driven by text commands, one answer line each.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "deck/VySystem.h"

class DeckConsole {
 public:
  explicit DeckConsole(TVySystemTAG& deck) : deck_(deck) {}

  // Runs one command line and returns its answer (without line break).
  std::string Run(const std::string& line);
  bool QuitRequested() const { return quit_; }
  // What the display timer does between commands.
  void Idle() { deck_.CheckEndOfTrack(); }
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
  bool WaitForAnalysis(long ms);
  void Wait(long ms);

  TVySystemTAG& deck_;
  bool quit_ = false;
};
