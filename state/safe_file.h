// Writing the game's files so that a crash, a full disk or a power cut never leaves one half
// written: the new bytes go to a temporary file in the same folder, flushed to disk, then
// renamed over the old name, and the folder is flushed too. Readers see the old file or the
// new one, never a part of either.
#pragma once

#include <sys/types.h>

#include <string>

// Makes a folder and those above it that are missing, from the top down; false (with errno)
// when one cannot be made.
bool make_folders(const std::string& folder);
// Writes all of text to fd, going on after interruptions; false (with errno) when it cannot.
bool write_all(int fd, const std::string& text);
// A new file of the pattern (mkstemp's "FOLDER/.BASE.XXXXXX"), open; -1 with errno. Its last
// six characters are never all lower-case letters, so a name a player may have chosen
// (".settings.ini.backup") is never taken for one of the game's temporary files.
int make_temporary(std::string* pattern);
// Whether the characters of name from suffix on are lower-case letters alone (see above).
bool chosen_name(const std::string& name, size_t suffix);
// Writes text to a new file of the pattern, flushed to disk, and names it in *name: 0, or
// the errno of what failed, with nothing left behind.
int write_temporary(std::string pattern, const std::string& text, mode_t mode, std::string* name);
// Flushes a folder's entries (a rename in it) to disk.
void sync_folder(const std::string& folder);
// Writes the whole file at path safely (folders made as needed, a temporary ".NAME.XXXXXX"
// beside it renamed over it). Empty when it did; else why not, in a few words.
std::string write_file_safely(const std::string& path, const std::string& text, mode_t mode = 0644);
// Puts a file written and closed elsewhere in place under path: flushed, renamed, the folder
// flushed. Empty when it did; else why not, with the file left where it was.
std::string put_in_place(const std::string& written, const std::string& path);
