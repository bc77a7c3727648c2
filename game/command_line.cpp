// The command line: each option at most once, in any order; the rest is refused by name.
#include "game/command_line.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "session/room_code.h"

namespace {

// A whole decimal number from low to high, nothing before or after it.
bool read_number(const char* text, int low, int high, int* value) {
  // strtol would skip leading blanks and take a sign: only digits are a number here.
  if (!text || !isdigit((unsigned char)*text) || strlen(text) > 9) return false;
  char* end = nullptr;
  long n = strtol(text, &end, 10);
  if (*end != '\0' || n < low || n > high) return false;
  *value = (int)n;
  return true;
}

// True when the next argument is a value rather than another option.
bool has_value(int i, int argc, const char* const* argv) {
  return i + 1 < argc && strncmp(argv[i + 1], "--", 2) != 0;
}

// An option's optional number: when the next argument is a value, it must be a whole
// number from low to high, and it is taken (*i moves past it). False when it is not.
bool optional_number(int* i, int argc, const char* const* argv, int low, int high, int* value) {
  if (!has_value(*i, argc, argv)) return true;
  if (!read_number(argv[*i + 1], low, high, value)) return false;
  ++*i;
  return true;
}

// True for an IPv6 address, bare or in brackets: the link speaks IPv4 only.
bool is_ipv6(const std::string& text) {
  return (!text.empty() && text[0] == '[') || text.find(':') != text.rfind(':');
}

// HOST or HOST:PORT.
bool read_address(const std::string& text, std::string* host, int* port) {
  size_t colon = text.rfind(':');
  if (colon != std::string::npos) {
    *host = text.substr(0, colon);
    if (host->empty()) return false;
    return read_number(text.c_str() + colon + 1, 1, 65535, port);
  }
  *host = text;
  return !host->empty();
}

}  // namespace

bool read_command_line(int argc, const char* const* argv, CommandLine* line, std::string* error) {
  *line = CommandLine();
  static const char* const names[] = {"--help",      "--version",     "--speed",     "--window",
                                      "--bot",       "--host",        "--join",      "--record",
                                      "--pace",      "--change-mode", "--volume",    "--lang",
                                      "--watch",     "--host-room",   "--join-room", "--server",
                                      "--server-ca", "--relay-only",  "--arena",     "--arenas"};
  bool seen[sizeof(names) / sizeof(names[0])] = {};
  for (int i = 1; i < argc; i++) {
    const char* arg = argv[i];
    int which = -1;
    for (int n = 0; n < (int)(sizeof(names) / sizeof(names[0])); n++)
      if (strcmp(arg, names[n]) == 0) which = n;
    if (which < 0) {
      *error = std::string("unknown argument '") + arg + "'";
      return false;
    }
    if (seen[which]) {
      *error = std::string(arg) + " given twice";
      return false;
    }
    seen[which] = true;
    std::string name = arg;
    if (name == "--help") {
      line->help = true;
    } else if (name == "--version") {
      line->version = true;
    } else if (name == "--window") {
      line->window = true;
    } else if (name == "--change-mode") {
      line->change_mode = true;
    } else if (name == "--pace") {
      const char* pace = i + 1 < argc ? argv[i + 1] : "";
      if (strcmp(pace, "frame") != 0 && strcmp(pace, "clock") != 0) {
        *error = "--pace takes frame or clock";
        return false;
      }
      line->pace_frame = strcmp(pace, "frame") == 0;
      line->pace_given = true;
      i++;
    } else if (name == "--speed") {
      if (!read_number(i + 1 < argc ? argv[i + 1] : nullptr, 1, 3, &line->speed)) {
        *error = "--speed takes a level: 1, 2 or 3";
        return false;
      }
      i++;
    } else if (name == "--bot") {
      line->bot = 2;
      if (!optional_number(&i, argc, argv, 1, 3, &line->bot)) {
        *error = "--bot takes a level: 1, 2 or 3";
        return false;
      }
    } else if (name == "--host") {
      line->host = true;
      if (!optional_number(&i, argc, argv, 1, 65535, &line->port)) {
        *error = "--host takes a port from 1 to 65535";
        return false;
      }
    } else if (name == "--join") {
      line->join = true;
      if (has_value(i, argc, argv) && is_ipv6(argv[i + 1])) {
        *error = std::string("--join: IPv6 addresses such as '") + argv[i + 1] +
                 "' are not supported; give an IPv4 address or a host name";
        return false;
      }
      if (!has_value(i, argc, argv) || !read_address(argv[i + 1], &line->join_host, &line->port)) {
        *error = "--join takes HOST or HOST:PORT (port 1 to 65535)";
        return false;
      }
      i++;
    } else if (name == "--host-room") {
      line->host_room = true;
      if (has_value(i, argc, argv)) {
        std::string kind = argv[++i];
        if (kind != "public" && kind != "private") {
          *error = "--host-room takes public or private (the default)";
          return false;
        }
        line->room_public = kind == "public";
      }
    } else if (name == "--join-room") {
      line->join_room = has_value(i, argc, argv) ? room_code_read(argv[i + 1]) : "";
      if (line->join_room.empty()) {
        *error = std::string("--join-room takes a room code: six letters and digits from ") +
                 ROOM_ALPHABET;
        return false;
      }
      i++;
    } else if (name == "--server" || name == "--server-ca") {
      if (!has_value(i, argc, argv) || !*argv[i + 1]) {
        *error = name + (name == "--server" ? " takes the servers' URL, https://HOST"
                                            : " takes a certificate file");
        return false;
      }
      (name == "--server" ? line->server : line->server_ca) = argv[++i];
    } else if (name == "--relay-only") {
      line->relay_only = true;
    } else if (name == "--record") {
      if (!has_value(i, argc, argv) || !*argv[i + 1]) {
        *error = "--record takes a file name";
        return false;
      }
      line->record = argv[++i];
    } else if (name == "--watch") {
      if (!has_value(i, argc, argv) || !*argv[i + 1]) {
        *error = "--watch takes a recording's file name";
        return false;
      }
      line->watch = argv[++i];
    } else if (name == "--volume") {
      if (!read_number(i + 1 < argc ? argv[i + 1] : nullptr, 0, 100, &line->volume)) {
        *error = "--volume takes a number from 0 to 100";
        return false;
      }
      i++;
    } else if (name == "--arenas") {
      line->list_arenas = true;
    } else if (name == "--arena") {
      if (!read_number(i + 1 < argc ? argv[i + 1] : nullptr, 1, 99, &line->arena)) {
        *error = "--arena takes an arena's number from 1 to 99 (korvalen --arenas lists them)";
        return false;
      }
      ++i;
    } else if (name == "--lang") {
      std::string lang = i + 1 < argc ? argv[i + 1] : "";
      if (lang != "sk" && lang != "en") {
        *error = "--lang takes a language: sk or en";
        return false;
      }
      line->lang = argv[++i];
    }
  }
  if (line->host && line->join) {
    *error = "--host and --join exclude each other";
    return false;
  }
  if ((line->host || line->join) && line->bot) {
    *error = std::string(line->host ? "--host" : "--join") + " and --bot exclude each other";
    return false;
  }
  const bool by_room = line->host_room || !line->join_room.empty();
  if (line->host_room && !line->join_room.empty()) {
    *error = "--host-room and --join-room exclude each other";
    return false;
  }
  if (by_room && (line->host || line->join || line->bot || !line->watch.empty())) {
    *error = std::string(line->host_room ? "--host-room" : "--join-room") +
             " excludes --host, --join, --bot and --watch";
    return false;
  }
  if (!by_room && (!line->server.empty() || !line->server_ca.empty() || line->relay_only)) {
    *error = "--server, --server-ca and --relay-only go with --host-room or --join-room";
    return false;
  }
  if (!line->watch.empty() && (line->host || line->join || line->bot || !line->record.empty() ||
                               line->speed || line->pace_given || line->arena)) {
    *error =
        "--watch plays a recording as it was: it takes no --host, --join, --bot, --record, "
        "--speed, --pace or --arena";
    return false;
  }
  if (line->join && line->arena) {
    *error = "--join plays on the host's arena: it takes no --arena";
    return false;
  }
  if (!line->join_room.empty() && line->arena) {
    *error = "--join-room plays on the host's arena: it takes no --arena";
    return false;
  }
  return true;
}
