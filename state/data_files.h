// Where the game's files are read: the working directory first, then the data folder.
#pragma once

#include <string>

// Sets the installed data folder, the one holding Data/ and s_1.txt ("" for none).
void data_folder_set(const std::string& folder);
// The installed data folder ("" when none was found).
const std::string& data_folder();
// The path to open for one of the game's files, named as the game names it
// ("Data/world/grass.bmp", "s_1.txt"): the name itself when the working directory
// has that file's folder (or, for a bare name, the file), else the same name
// inside the data folder.
std::string data_file_path(const char* name);
// The same path made full (the working directory put in front of a relative one), to tell
// the player where a file is read.
std::string data_file_full_path(const char* name);
