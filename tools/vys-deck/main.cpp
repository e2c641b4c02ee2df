// vys-deck: one deck without a window. Files named on the command line are
// opened; commands come one per line on standard input, answers one per line
// on standard output. End of input ends the deck.
#include <poll.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <string>

#include "DeckConsole.h"
#include "deck/KeylockStore.h"

namespace {
// Reads standard input a line at a time, checking the deck while it waits.
class LineReader {
 public:
  // False at the end of input.
  bool Next(std::string* line, DeckConsole& console) {
    for (;;) {
      size_t end = pending_.find('\n');
      if (end != std::string::npos) {
        *line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        if (!line->empty() && line->back() == '\r') line->pop_back();
        return true;
      }
      if (closed_) {
        if (pending_.empty()) return false;
        *line = pending_;
        pending_.clear();
        return true;
      }
      // MIDI is read as it comes, between commands too.
      pollfd inputs[] = {{STDIN_FILENO, POLLIN, 0}, {console.MidiFd(), POLLIN, 0}};
      int ready = poll(inputs, 2, console.IdleTimeoutMs());
      if (ready > 0 && (inputs[1].revents & POLLIN)) console.MidiReady();
      if (ready == 0 || (ready < 0 && errno == EINTR)) {
        console.Idle();
        continue;
      }
      if (ready > 0 && !(inputs[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char chunk[4096];
      ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
      if (got > 0)
        pending_.append(chunk, size_t(got));
      else if (got == 0 || errno != EINTR)
        closed_ = true;
    }
  }

 private:
  std::string pending_;
  bool closed_ = false;
};
}  // namespace

int main(int argc, char** argv) {
  TVySystemTAG deck;
  deck.Analysis().Use(AnalyseTrack);
  deck.LoadAutoGainPreferences();
  deck.SetKeylockEngine(KeylockStore::Engine());  // the user's; `keylock 0|1` switches it
  DeckConsole console(deck);
  if (argc > 1) {
    std::string list;
    for (int i = 1; i < argc; ++i) list += std::string(argv[i]) + "\n";
    deck.OpenFiles(list, 0);
  }
  LineReader reader;
  std::string line;
  while (!console.QuitRequested() && reader.Next(&line, console)) {
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    std::printf("%s\n", console.Run(line).c_str());
    std::fflush(stdout);
  }
  return 0;
}
