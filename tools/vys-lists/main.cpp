// vys-lists TEMPLATE OUTPUT: writes TEMPLATE to OUTPUT with the formats the
// deck opens and its key map filled in from their tables, so that the desktop
// entry and metadata, the manual page and the help page say what the program
// does.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "audio/decoders/SoundFormats.h"
#include "input/DeckKeys.h"

namespace {
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// "<kbd>Up</kbd> or keypad <kbd>+</kbd>": the keys of one action, each name once.
std::string KeyNames(TDeckKeyAction action) {
  std::string names;
  for (const TDeckKey& key : kDeckKeys) {
    if (key.action != action || !key.name) continue;
    const std::string one = std::string(key.keypad ? "keypad " : "") + "<kbd>" + key.name + "</kbd>";
    if (names.find(one) != std::string::npos) continue;
    names += (names.empty() ? "" : " or ") + one;
  }
  return names;
}

// The metainfo's <provides> entries, one a MIME type of the table.
std::string MediaTypes() {
  std::string entries;
  for (const TSoundFormatGroup& group : SoundFormatGroups())
    for (const char* type : group.mimeTypes) entries += std::string("    <mediatype>") + type + "</mediatype>\n";
  return entries;
}

// The help page's key table rows, one an action.
std::string KeyRows() {
  std::string rows;
  for (const TDeckKeyHelp& help : kDeckKeyHelp)
    rows += "<tr><td>" + KeyNames(help.action) + (help.held ? " (hold)" : "") + "</td><td>" + help.text +
            "</td></tr>\n";
  return rows;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: vys-lists TEMPLATE OUTPUT\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) {
    std::fprintf(stderr, "vys-lists: cannot read %s\n", argv[1]);
    return 1;
  }
  std::string filled = text.str();
  ReplaceAll(filled, "@VYS_MIME_TYPES@", DesktopMimeTypes());
  ReplaceAll(filled, "@VYS_FORMAT_NAMES@", FormatNamesText());
  ReplaceAll(filled, "@VYS_KEY_ROWS@\n", KeyRows());
  ReplaceAll(filled, "@VYS_MEDIA_TYPES@\n", MediaTypes());
  std::ofstream out(argv[2], std::ios::binary);
  out << filled;
  out.close();
  if (!out) {
    std::fprintf(stderr, "vys-lists: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
