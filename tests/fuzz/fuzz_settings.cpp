// Fuzz target: the settings reader on any bytes as settings.ini, and the writer on the same
// text: a value the writer sets is what the reader then reads (a key inih would take for a
// comment too), and nothing else changes.
#include <cstdint>
#include <string>

#include "fuzz_fail.h"
#include "state/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  Settings settings;
  std::vector<std::string> problems;
  settings_read_text(text, "settings.ini", &settings, &problems);
  if (settings.speed < 0 || settings.speed > 3 || settings.avatar[1] > 6 || settings.volume > 100)
    fuzz_fail("a value out of its range was taken");
  for (const KeySetting& key : settings.keys)
    if (key.name.empty() || key.line < 1) fuzz_fail("an empty key or a key without its line");

  // Only text inih reads whole (no NUL, lines inih takes in one piece, no continued lines)
  // is checked read back; and printable lines only: a carriage return of its own or another
  // control character is read by inih in ways the writer does not follow yet.
  std::string edited = settings_edit_text(text, "game", "speed", "2");
  edited = settings_edit_text(edited, "keys", "player1.up", ";");
  bool plain = text.size() < 4096;
  size_t mark = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // inih skips a byte-order mark
  for (size_t i = mark; plain && i < text.size(); i++) {
    const unsigned char c = text[i];
    plain = c == '\r' ? i + 1 < text.size() && text[i + 1] == '\n'
                      : (c >= 32 && c < 127) || c == '\n' || c == '\t';
  }
  for (size_t at = mark, end; plain && at < edited.size(); at = end + 1) {
    end = edited.find('\n', at);
    if (end == std::string::npos) end = edited.size();
    plain = end - at < 190 && edited[at] != ' ' && edited[at] != '\t';  // no continuation
  }
  if (plain) {
    Settings again;
    std::vector<std::string> again_problems;
    settings_read_text(edited, "settings.ini", &again, &again_problems);
    if (again.speed != 2) fuzz_fail("the speed written does not read back");
    std::string up;
    int others = 0;  // the other keys read before, less those read after
    for (const KeySetting& key : settings.keys) others += !(key.player == 1 && key.action == 0);
    for (const KeySetting& key : again.keys) {
      if (key.player == 1 && key.action == 0)
        up = key.name;
      else
        others--;
    }
    if (up != ";") fuzz_fail("the key written does not read back");
    if (again.avatar[1] != settings.avatar[1] || again.avatar[2] != settings.avatar[2] ||
        again.language != settings.language || again.fullscreen != settings.fullscreen ||
        again.volume != settings.volume || others != 0)
      fuzz_fail("a setting the writer did not touch changed");
  }
  return 0;
}
