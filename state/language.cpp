// The texts' language through gettext. English needs no installed English locale: the
// catalog is asked for by LANGUAGE under a locale gettext never ignores it in (C.UTF-8).
#include "state/language.h"

#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "state/catalog.h"
#include "state/files.h"

static bool english;

namespace {

// The first of the locale variables that is set, as the C library picks the messages' locale.
const char* messages_locale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getenv(name);
    if (value && *value) return value;
  }
  return "";
}

// Slovak is the game's own language, spoken only to a Slovak locale; every other locale,
// none and C included, reads the game in English.
bool is_slovak(const char* name) {
  return strncmp(name, "sk", 2) == 0 && strchr("_.@:", name[2] ? name[2] : '_');
}

bool holds_catalog(const std::string& folder) {
  struct stat st;
  return stat((folder + "/en/LC_MESSAGES/korvalen.mo").c_str(), &st) == 0;
}

// Where the English catalog is: the build tree's locale/ beside the binary, the install's
// locale folder, or the same place relative to a moved install's binary.
std::string catalog_folder() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string binary_folder = n > 0 ? std::string(self, n) : std::string();
  binary_folder = binary_folder.substr(0, binary_folder.rfind('/') + 1);
  for (std::string folder : {binary_folder + "locale", std::string(KORVALEN_LOCALE_DIR),
                             binary_folder + "../share/locale"})
    if (holds_catalog(folder)) return folder;
  return KORVALEN_LOCALE_DIR;
}

// The catalog's bytes, read whole; false when there is no regular file to read.
bool read_catalog(const std::string& path, std::vector<unsigned char>* bytes, std::string* why) {
  long long size = 0;
  std::FILE* f = open_regular_file(path.c_str(), "rb", &size);
  if (!f) {
    *why = why_unopened(path.c_str());
    return false;
  }
  if (size > (long long)CATALOG_MAX_BYTES) size = CATALOG_MAX_BYTES + 1;  // refused by the check
  bytes->resize((std::size_t)size);
  bool whole = std::fread(bytes->data(), 1, bytes->size(), f) == bytes->size();
  std::fclose(f);
  if (!whole) *why = "unreadable";
  return whole;
}

}  // namespace

bool language_bind_catalog(const std::string& folder) {
  std::string path = folder + "/en/LC_MESSAGES/korvalen.mo", why;
  std::vector<unsigned char> bytes;
  bool found = read_catalog(path, &bytes, &why);
  // A missing catalog is bound all the same: the library finds nothing there, and every
  // text stays Slovak.
  if ((!found && why != "missing") || (found && !catalog_check(bytes.data(), bytes.size(), &why))) {
    std::fprintf(stderr, "korvalen: %s: %s; the texts stay in Slovak\n", path.c_str(), why.c_str());
    english = false;
    return false;
  }
  english = true;
  bindtextdomain("korvalen", folder.c_str());
  bind_textdomain_codeset("korvalen", "UTF-8");
  return found;
}

std::string language_of_locale() {
  const char* locale = messages_locale();
  // gettext reads LANGUAGE's list only under a locale other than C; its first entry leads.
  const char* list = getenv("LANGUAGE");
  bool plain_c = !*locale || strcmp(locale, "C") == 0 || strcmp(locale, "POSIX") == 0;
  if (list && *list && !plain_c) return is_slovak(list) ? "sk" : "en";
  return is_slovak(locale) ? "sk" : "en";
}

void language_start(const std::string& choice) {
  english = (choice.empty() ? language_of_locale() : choice) == "en";
  if (!english) return;
#ifdef __EMSCRIPTEN__
  // The browser's C library reads no LANGUAGE: it finds the catalog by the name of the
  // messages locale alone, which it takes as given.
  setlocale(LC_MESSAGES, "en");
#else
  const char* set = setlocale(LC_MESSAGES, "");
  if (!set || strcmp(set, "C") == 0 || strcmp(set, "POSIX") == 0) setlocale(LC_MESSAGES, "C.UTF-8");
  setenv("LANGUAGE", "en", 1);
#endif
  language_bind_catalog(catalog_folder());
}

const char* language_current() {
  return english ? "en" : "sk";
}

const char* tr(const char* slovak) {
  return english ? dgettext("korvalen", slovak) : slovak;
}
