// The servers' lobby, read from the desktop: the retained entries under korvalen/lobby/,
// one a public room, each cleared when its host goes. The broker is found and reached on
// a thread of its own, so the join menu goes on drawing meanwhile; libmosquitto's own
// thread then hands each entry over.
#include <mosquitto.h>

#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "net/net.h"
#include "net/room_link.h"
#include "session/room.h"
#include "session/room_code.h"

namespace {

constexpr int KEEPALIVE_S = 30;

std::mutex guard;  // what follows, shared with the threads
std::map<std::string, LobbyEntry> heard;
std::string trouble;
bool stopping;
mosquitto* client;

std::thread starter;

void connected(mosquitto* m, void*, int rc) {
  if (rc == 0) {
    mosquitto_subscribe(m, nullptr, "korvalen/lobby/+", 1);
    return;
  }
  std::lock_guard<std::mutex> hold(guard);
  trouble = std::string("the broker refused to show the lobby: ") + mosquitto_connack_string(rc);
}

void message(mosquitto*, void*, const mosquitto_message* m) {
  if (!m->topic) return;
  const std::string topic = m->topic;
  const std::string code = room_code_read(topic.substr(topic.rfind('/') + 1));
  if (code.empty()) return;
  std::lock_guard<std::mutex> hold(guard);
  if (m->payloadlen <= 0) {  // the host went
    heard.erase(code);
    return;
  }
  LobbyEntry entry;
  if (static_cast<std::size_t>(m->payloadlen) > LOBBY_ENTRY_MAX ||
      !decode_lobby_entry(static_cast<const char*>(m->payload),
                          static_cast<std::size_t>(m->payloadlen), &entry))
    return;  // not an entry of ours: dropped
  if (heard.count(code) || heard.size() < static_cast<std::size_t>(LOBBY_ROOMS_SHOWN))
    heard[code] = entry;
}

void start(RoomOptions options) {
  std::string broker, error;
  if (!room_lobby_broker(options, &broker, &error)) {
    std::lock_guard<std::mutex> hold(guard);
    trouble = error;
    return;
  }
  static bool started = mosquitto_lib_init() == MOSQ_ERR_SUCCESS;
  Url url;
  url_read(broker, &url);
  std::random_device device;
  // the broker lets anyone browse the lobby, under a code of its own
  const std::string name = room_code_from((static_cast<std::uint64_t>(device()) << 32) ^ device());
  std::lock_guard<std::mutex> hold(guard);
  if (stopping) return;
  client = started ? mosquitto_new(nullptr, true, nullptr) : nullptr;
  if (!client) {
    trouble = "cannot start the MQTT library";
    return;
  }
  mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
  mosquitto_username_pw_set(client, name.c_str(), nullptr);
  const char* ca = options.server_ca.empty() ? nullptr : options.server_ca.c_str();
  if (url.scheme == "mqtts" && mosquitto_tls_set(client, ca, ca ? nullptr : "/etc/ssl/certs",
                                                 nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS)
    trouble = "cannot set up TLS for the broker " + broker;
  mosquitto_connect_callback_set(client, connected);
  mosquitto_message_callback_set(client, message);
  const int port = url.port ? url.port : url.scheme == "mqtts" ? 8883 : 1883;
  if (trouble.empty() &&
      (mosquitto_loop_start(client) != MOSQ_ERR_SUCCESS ||
       mosquitto_connect_async(client, url.host.c_str(), port, KEEPALIVE_S) != MOSQ_ERR_SUCCESS))
    trouble = "cannot reach the broker " + broker;
}

}  // namespace

void net_lobby_start(const RoomOptions& options) {
  net_lobby_stop();
  stopping = false;
  starter = std::thread(start, options);
}

std::vector<LobbyRoom> net_lobby_rooms(std::string* error) {
  std::lock_guard<std::mutex> hold(guard);
  std::vector<LobbyRoom> rooms;
  for (const auto& [code, entry] : heard) rooms.push_back({code, entry.name, entry.arena});
  *error = trouble;
  return rooms;
}

void net_lobby_stop() {
  {
    std::lock_guard<std::mutex> hold(guard);
    stopping = true;
  }
  if (starter.joinable()) starter.join();
  mosquitto* going;
  {
    std::lock_guard<std::mutex> hold(guard);
    going = client;
    client = nullptr;
  }
  // the library's thread may be handing over an entry: it needs the guard to finish
  if (going) {
    mosquitto_disconnect(going);
    mosquitto_loop_stop(going, false);
    mosquitto_destroy(going);
  }
  std::lock_guard<std::mutex> hold(guard);
  heard.clear();
  trouble.clear();
}
