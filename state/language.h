// The language of the texts a player reads: Slovak, the game's own, or English. The Slovak
// text is the message id of the English catalog, so every text is written once, in Slovak.
#pragma once

#include <string>

// "en" when the locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, as gettext reads them) is
// English, "sk" for every other.
std::string language_of_locale();

// Picks the language ("sk" or "en"; empty: the locale's) and finds the English catalog:
// beside the binary in the build tree, else where the game is installed.
void language_start(const std::string& choice);

// Binds the English catalog of a locale folder (FOLDER/en/LC_MESSAGES/korvalen.mo) once it
// passed the catalog check, and true. A damaged catalog is refused with one line on standard
// error and the texts stay Slovak: false. A missing one finds nothing: false too.
bool language_bind_catalog(const std::string& folder);

// The language picked: "sk" or "en".
const char* language_current();

// A text in the language picked; the Slovak text itself until language_start chose English.
const char* tr(const char* slovak);

// Marks a text for the catalog where it is written down (a table); tr() translates it
// where it is shown.
constexpr const char* tr_later(const char* slovak) {
  return slovak;
}
