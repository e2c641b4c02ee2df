// link-peer: a Link peer of its own for tests and benchmarks, driven one
// command a line on standard input, one answer a line on standard output:
//   peers            -> N (the others in the session)
//   wait-peers N     -> ok once it sees N others (error timeout after 20 s)
//   tempo BPM        -> ok (the whole session follows)
//   timeline         -> {"micros":M,"beat":B,"tempo":T,"quantum":Q}
//                       a point of the session's beat line on the Link clock
//                       (CLOCK_MONOTONIC_RAW), from which heard beats are stamped
//   quit             -> ok
// It refuses to join unless loopback is the only network interface it sees.
//   link-peer [TEMPO=120] [QUANTUM=4]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/link/LinkSession.h"
#include "support/PrivateNetwork.h"

namespace {
constexpr auto kPeerWaitLimit = std::chrono::seconds(20);  // discovery takes well under a second

std::string WaitForPeers(const TLinkSession& session, size_t count) {
  const auto limit = std::chrono::steady_clock::now() + kPeerWaitLimit;
  while (session.Peers() < count) {
    if (std::chrono::steady_clock::now() > limit) return "error timeout";
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "ok";
}

std::string Timeline(const TLinkSession& session, double quantum) {
  const int64_t now = session.NowMicros();
  const TLinkTimeline line = session.Capture(now, quantum);
  char text[160];
  std::snprintf(text, sizeof text, "{\"micros\":%lld,\"beat\":%.6f,\"tempo\":%.6f,\"quantum\":%g}",
                static_cast<long long>(now), line.beatAtOrigin, line.tempoBpm, quantum);
  return text;
}

std::string Answer(TLinkSession& session, double quantum, const std::string& line, bool* quit) {
  std::istringstream words(line);
  std::string command;
  words >> command;
  double value = 0;
  const bool hasValue = static_cast<bool>(words >> value);
  if (command == "peers") return std::to_string(session.Peers());
  if (command == "wait-peers" && hasValue && value >= 0) return WaitForPeers(session, size_t(value));
  if (command == "tempo" && hasValue && value >= 20 && value <= 999) return session.SetTempo(value), "ok";
  if (command == "timeline") return Timeline(session, quantum);
  if (command == "quit") return *quit = true, "ok";
  return "error unknown: " + line;
}
}  // namespace

int main(int argc, char** argv) {
  const double tempo = argc > 1 ? std::atof(argv[1]) : 120, quantum = argc > 2 ? std::atof(argv[2]) : 4;
  std::string why;
  if (!OnlyLoopbackIsVisible(&why)) {
    std::fprintf(stderr, "link-peer: refusing to join a Link session: %s\n", why.c_str());
    return 1;
  }
  TLinkSession session(tempo);
  session.Enable(true);
  bool quit = false;
  for (std::string line; !quit && std::getline(std::cin, line);) {
    if (line.empty()) continue;
    std::printf("%s\n", Answer(session, quantum, line, &quit).c_str());
    std::fflush(stdout);
  }
  return 0;
}
