// Rooms: two games meet by a code on the meeting servers and play over WebRTC data channels,
// through the servers' relay when no direct path exists (home routers, carrier-grade NAT).
//
// The servers: an HTTPS server that describes itself (korvalen-server.json) and hands out
// time-limited relay credentials, an MQTT broker that carries the offer, the answer and the
// ways to reach each side under the room's code, and a TURN relay. The guest offers; the host
// answers the first guest and tells any later one that the room is full. Two channels carry
// the session: "control" reliable and in order, "inputs" unordered with no repeats (the
// session repeats inputs itself).
//
// libdatachannel and libmosquitto call back on their own threads: every callback only posts
// an event to one queue, and room_service handles them all on the game's thread.
//
// In a browser the same code runs over the page's own WebRTC (datachannel-wasm gives it
// libdatachannel's API), fetch() and the mqtt package over WebSockets (net/room_web.h):
// their callbacks come on the page's one thread while the game waits in room_service,
// which hands the page its turn and wakes when an event is posted.
#include "net/room_link.h"

#ifdef __EMSCRIPTEN__
#include "net/room_web.h"
#else
#include <curl/curl.h>
#include <mosquitto.h>
#endif

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <rtc/rtc.hpp>

#include "session/room.h"

namespace {

#ifndef __EMSCRIPTEN__
constexpr int KEEPALIVE_S = 10;  // the broker's, over MQTT; the page's client keeps its own
#endif
constexpr double BROKER_LIMIT_MS = 10000;  // to reach the broker and be subscribed
constexpr double ANSWER_LIMIT_MS = 5000;   // a guest's offer unanswered: nobody hosts the room
constexpr double OPEN_LIMIT_MS = 20000;    // for the channels to open once offered
constexpr double GONE_GRACE_MS = 1000;     // silence that confirms the broker's word
constexpr long HTTP_LIMIT_S = 10;
constexpr long long CREDENTIALS_SPARE_S = 3600;  // fetched again with less than this left

enum class Kind {
  broker_connected,  // number: the broker's answer (0: accepted)
  broker_subscribed,
  broker_lost,
  broker_message,  // topic, text
  peer_state,      // number: rtc::PeerConnection::State
  gathering_done,
  local_description,  // text: sdp, topic: its type
  local_candidate,    // text: candidate, topic: mid
  channel_open,       // control: which
  channel_closed,
  channel_data,     // control, bytes
  channel_arrived,  // hosting: channel, opened by the guest
};

struct Event {
  Kind kind = Kind::broker_lost;
  int peer = 0;  // the peer connection's number: events of an older one are ignored
  int number = 0;
  bool control = false;
  std::string topic, text;
  std::shared_ptr<rtc::DataChannel> channel;
};

Event event(Kind kind, int peer = 0, int number = 0, bool control = false) {
  Event e;
  e.kind = kind;
  e.peer = peer;
  e.number = number;
  e.control = control;
  return e;
}

// Lives as long as the process: the libraries' threads may still post while it ends.
struct Queue {
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<Event> events;
};
Queue& queue() {
  static Queue* q = new Queue;
  return *q;
}

void post(Event e) {
  Queue& q = queue();
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    q.events.push_back(std::move(e));
  }
  q.ready.notify_one();
#ifdef __EMSCRIPTEN__
  web_wake();
#endif
}

double now_ms() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

std::string random_hex(int digits) {
  static std::random_device device;
  static std::mt19937_64 random(
      (static_cast<std::uint64_t>(device()) << 32) ^ device() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  static const char hex[] = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < digits; i++) s += hex[random() % 16];
  return s;
}

struct Room {
  bool active = false;
  bool hosting = false;
  RoomOptions options;
  std::string code;
  std::string self_id;  // a guest's id under the room
  ServerInfo server;
  RelayCredentials credentials;
  std::string room_root, host_topic, guest_topic, lobby_topic;

#ifdef __EMSCRIPTEN__
  bool broker = false;  // the page's MQTT client is started
#else
  mosquitto* broker = nullptr;
#endif
  bool broker_ready = false;  // subscribed at least once
  double started_ms = 0;

  std::shared_ptr<rtc::PeerConnection> peer;
  std::shared_ptr<rtc::DataChannel> control, inputs;
  int peer_number = 0;
  std::string guest_id;  // hosting: the guest the peer connection is with
  double peer_since_ms = 0;
  bool control_open = false, inputs_open = false;
  bool linked = false;
  bool candidates_sent = false;
  bool offered = false, answered = false;
  double offered_ms = 0;
  bool goodbye_heard = false;
  std::uint32_t goodbye_reason = 0;
  // the broker said the other side left (its last will) while linked: it has gone if the
  // channels say nothing more either (a will also comes when only the broker lost it)
  double gone_said_ms = 0;
  double heard_ms = 0;  // the last data on the channels
  std::string path;
  bool failed = false;
};
Room room;

// ---- the servers over HTTP(S)

#ifndef __EMSCRIPTEN__
std::size_t take_body(char* data, std::size_t size, std::size_t count, void* body) {
  auto* text = static_cast<std::string*>(body);
  if (text->size() + size * count > SERVER_TEXT_MAX) return 0;  // too long: not ours
  text->append(data, size * count);
  return size * count;
}
#endif

// GET url: the body and HTTP status, or false with the reason.
#ifdef __EMSCRIPTEN__
bool fetch(const std::string& url, std::string* body, long* status, std::string* error) {
  std::string reason;
  if (!web_fetch(url, HTTP_LIMIT_S * 1000, SERVER_TEXT_MAX, status, body, &reason)) {
    *error = "cannot reach the server " + room.options.server + " (" + reason + ")";
    return false;
  }
  return true;
}
#else
bool fetch(const std::string& url, std::string* body, long* status, std::string* error) {
  static bool started = curl_global_init(CURL_GLOBAL_DEFAULT) == 0;
  CURL* curl = started ? curl_easy_init() : nullptr;
  if (!curl) {
    *error = "cannot start the HTTP library";
    return false;
  }
  body->clear();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, HTTP_LIMIT_S);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, HTTP_LIMIT_S);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, take_body);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, body);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, ("korvalen/" + room.options.version).c_str());
  if (!room.options.server_ca.empty())
    curl_easy_setopt(curl, CURLOPT_CAINFO, room.options.server_ca.c_str());
  CURLcode result = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, status);
  curl_easy_cleanup(curl);
  if (result != CURLE_OK) {
    *error =
        "cannot reach the server " + room.options.server + " (" + curl_easy_strerror(result) + ")";
    return false;
  }
  return true;
}
#endif

std::string server_base() {
  std::string base = room.options.server;
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

// Where this game reaches the broker: a page over WebSockets, a desktop over MQTT's own port.
std::string broker_address() {
#ifdef __EMSCRIPTEN__
  return room.server.mqtt_ws;
#else
  return room.server.mqtt;
#endif
}

bool fetch_server_info(std::string* error) {
  std::string body;
  long status = 0;
  if (!fetch(server_base() + "/korvalen-server.json", &body, &status, error)) return false;
  if (status != 200 || !decode_server_info(body, &room.server)) {
    *error = "the server " + room.options.server + " is not a Korvalen meeting server (" +
             (status == 200 ? std::string("its description cannot be read")
                            : "HTTP " + std::to_string(status)) +
             ")";
    return false;
  }
  Url broker;
#ifdef __EMSCRIPTEN__
  if (room.server.mqtt_ws.empty()) {
    *error = "the server " + room.options.server + " has no broker for browsers (mqtt_ws)";
    return false;
  }
#endif
  url_read(broker_address(), &broker);
  if ((broker.scheme == "mqtt" || broker.scheme == "ws") && !is_loopback_host(broker.host)) {
    *error = "the server " + room.options.server + " offers its broker unencrypted (" +
             broker_address() + "): the game talks to a broker elsewhere only over TLS";
    return false;
  }
  return true;
}

// The relay's credentials for this room: fetched at each join, since they expire.
bool fetch_credentials(std::string* error) {
  std::string body;
  long status = 0;
  const std::string what = "the server " + room.options.server;
  if (!fetch(server_base() + room.server.turn_credentials + "?room=" + room.code, &body, &status,
             error))
    return false;
  if (status == 429) {
    *error = what + " is busy (too many requests): try again in a minute";
    return false;
  }
  if (status == 400) {
    *error = what + " refused the room code " + room.code;
    return false;
  }
  if (status == 401 || status == 403) {
    *error =
        what + " refused to give this game relay credentials (HTTP " + std::to_string(status) + ")";
    return false;
  }
  RelayCredentials got;
  if (status != 200 || !decode_relay_credentials(body, &got)) {
    *error = what + " gave no relay credentials the game can use (" +
             (status == 200 ? std::string("unreadable") : "HTTP " + std::to_string(status)) + ")";
    return false;
  }
  if (got.expires <= static_cast<long long>(time(nullptr))) {
    *error = "the relay credentials from " + room.options.server +
             " had expired when they came: is this computer's clock right?";
    return false;
  }
  room.credentials = got;
  return true;
}

// ---- the broker

#ifdef __EMSCRIPTEN__
}  // namespace

void web_broker_heard(int news, int code, const std::string& topic, const std::string& text) {
  switch (news) {
    case WEB_BROKER_CONNECTED: post(event(Kind::broker_connected, 0, code)); break;
    case WEB_BROKER_SUBSCRIBED: post(event(Kind::broker_subscribed)); break;
    case WEB_BROKER_LOST: post(event(Kind::broker_lost)); break;
    case WEB_BROKER_MESSAGE: {
      // a message larger than any of ours is dropped before anything reads it
      if (text.size() > SIGNAL_SIZE_MAX) return;
      Event e = event(Kind::broker_message);
      e.topic = topic;
      e.text = text;
      post(std::move(e));
      break;
    }
  }
}

namespace {

// The page's broker client: what it hears comes back through web_broker_heard.
void publish(const std::string& topic, const std::string& text, bool retain = false) {
  if (room.broker) web_broker_publish(topic, text, retain);
}
#else
void broker_connected(mosquitto*, void*, int rc) {
  post(event(Kind::broker_connected, 0, rc));
}
void broker_subscribed(mosquitto*, void*, int, int, const int*) {
  post(event(Kind::broker_subscribed));
}
void broker_lost(mosquitto*, void*, int rc) {
  post(event(Kind::broker_lost, 0, rc));
}
void broker_message(mosquitto*, void*, const mosquitto_message* m) {
  // a message larger than any of ours is dropped before anything reads it
  if (!m->topic || m->payloadlen < 0 || static_cast<std::size_t>(m->payloadlen) > SIGNAL_SIZE_MAX)
    return;
  Event e = event(Kind::broker_message);
  e.topic = m->topic;
  e.text.assign(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen));
  post(std::move(e));
}

void publish(const std::string& topic, const std::string& text, bool retain = false) {
  if (room.broker)
    mosquitto_publish(room.broker, nullptr, topic.c_str(), static_cast<int>(text.size()),
                      text.data(), 1, retain);
}
#endif

void signal_other(Signal s) {
  if (room.hosting) {
    publish(room.guest_topic, encode_signal(s));
  } else {
    s.from = room.self_id;
    publish(room.host_topic, encode_signal(s));
  }
}

#ifdef __EMSCRIPTEN__
bool start_broker(std::string* error) {
  std::string will_topic, will;
  if (room.hosting) {
    will_topic = room.lobby_topic;
  } else {
    Signal gone;
    gone.type = SIGNAL_GONE;
    gone.from = room.self_id;
    will_topic = room.host_topic;
    will = encode_signal(gone);
  }
  if (!web_broker_start(room.server.mqtt_ws, "korvalen-" + random_hex(16), room.code, will_topic,
                        will, room.hosting)) {
    *error = "cannot reach the broker " + room.server.mqtt_ws + " (the page has no MQTT client)";
    return false;
  }
  room.broker = true;
  return true;
}
#else
bool start_broker(std::string* error) {
  static bool started = mosquitto_lib_init() == MOSQ_ERR_SUCCESS;
  Url url;
  url_read(room.server.mqtt, &url);
  room.broker =
      started ? mosquitto_new(("korvalen-" + random_hex(16)).c_str(), true, nullptr) : nullptr;
  if (!room.broker) {
    *error = "cannot start the MQTT library";
    return false;
  }
  mosquitto_int_option(room.broker, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
  mosquitto_username_pw_set(room.broker, room.code.c_str(), nullptr);
  // the broker tells the others when this game vanishes: the host's lobby entry goes (an
  // empty retained message, also heard by its guest); a guest's place is freed
  if (room.hosting) {
    mosquitto_will_set(room.broker, room.lobby_topic.c_str(), 0, nullptr, 1, true);
  } else {
    Signal gone;
    gone.type = SIGNAL_GONE;
    gone.from = room.self_id;
    std::string text = encode_signal(gone);
    mosquitto_will_set(room.broker, room.host_topic.c_str(), static_cast<int>(text.size()),
                       text.data(), 1, false);
  }
  if (url.scheme == "mqtts") {
    const char* ca = room.options.server_ca.empty() ? nullptr : room.options.server_ca.c_str();
    if (mosquitto_tls_set(room.broker, ca, ca ? nullptr : "/etc/ssl/certs", nullptr, nullptr,
                          nullptr) != MOSQ_ERR_SUCCESS) {
      *error = "cannot set up TLS for the broker " + room.server.mqtt;
      return false;
    }
  }
  mosquitto_connect_callback_set(room.broker, broker_connected);
  mosquitto_subscribe_callback_set(room.broker, broker_subscribed);
  mosquitto_disconnect_callback_set(room.broker, broker_lost);
  mosquitto_message_callback_set(room.broker, broker_message);
  mosquitto_reconnect_delay_set(room.broker, 1, 10, true);
  int port = url.port ? url.port : url.scheme == "mqtts" ? 8883 : 1883;
  if (mosquitto_loop_start(room.broker) != MOSQ_ERR_SUCCESS ||
      mosquitto_connect_async(room.broker, url.host.c_str(), port, KEEPALIVE_S) !=
          MOSQ_ERR_SUCCESS) {
    *error = "cannot reach the broker " + room.server.mqtt;
    return false;
  }
  return true;
}
#endif

#ifdef __EMSCRIPTEN__
std::string broker_refusal(int code) {
  return web_broker_refusal(code);
}
#else
std::string broker_refusal(int code) {
  return mosquitto_connack_string(code);
}
#endif

// ---- the peer connection

void drop_peer() {
  if (room.peer) {
    try {
      room.peer->close();
    } catch (const std::exception&) {
    }
  }
  room.peer.reset();
  room.control.reset();
  room.inputs.reset();
  room.peer_number++;
  room.control_open = room.inputs_open = room.linked = false;
  room.candidates_sent = room.offered = room.answered = false;
  room.goodbye_heard = false;
  room.goodbye_reason = 0;
  room.guest_id.clear();
  room.gone_said_ms = 0;
}

void watch_channel(const std::shared_ptr<rtc::DataChannel>& channel, bool control) {
  const int number = room.peer_number;
  channel->onOpen([number, control] { post(event(Kind::channel_open, number, 0, control)); });
  channel->onClosed([number, control] { post(event(Kind::channel_closed, number, 0, control)); });
  channel->onMessage([number, control](rtc::message_variant data) {
    Event e = event(Kind::channel_data, number, 0, control);
    if (auto* bytes = std::get_if<rtc::binary>(&data))
      e.text.assign(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    else
      return;  // the game sends bytes only
    post(std::move(e));
  });
  if (channel->isOpen()) post(event(Kind::channel_open, number, 0, control));
}

bool make_peer(std::string* error) {
  drop_peer();
  rtc::Configuration config;
  Url via;
  const bool diverted = url_read("x://" + room.options.relay_via, &via) && via.port;
  for (const RelayServer& r : room.credentials.relays) {
    using Relay = rtc::IceServer::RelayType;
    const Relay type = r.tls ? Relay::TurnTls : r.tcp ? Relay::TurnTcp : Relay::TurnUdp;
    if (diverted && type != Relay::TurnUdp) continue;
    config.iceServers.emplace_back(diverted ? via.host : r.host,
                                   static_cast<std::uint16_t>(diverted ? via.port : r.port),
                                   room.credentials.username, room.credentials.password, type);
  }
  // the relay answers as a STUN server too: the address a home router shows outside
  if (!room.options.relay_only && !room.credentials.relays.empty())
    config.iceServers.emplace_back(room.credentials.relays[0].host,
                                   static_cast<std::uint16_t>(room.credentials.relays[0].port));
#ifdef __EMSCRIPTEN__
  web_relay_only(room.options.relay_only);
#else
  if (room.options.relay_only) config.iceTransportPolicy = rtc::TransportPolicy::Relay;
  // Two games and a relay on one machine share 127.0.0.1, and a relay's permissions go by
  // address only: a game's own socket would reach the other's relay directly. Tests bind
  // each game to an address of its own (127.0.0.2, ...) so relay-only means what it says.
  if (const char* bind = getenv("KORVALEN_ICE_BIND")) config.bindAddress = bind;
#endif
  try {
    room.peer = std::make_shared<rtc::PeerConnection>(config);
  } catch (const std::exception& e) {
    *error = std::string("cannot open a WebRTC connection: ") + e.what();
    return false;
  }
  room.peer_since_ms = now_ms();
  const int number = room.peer_number;
  room.peer->onStateChange([number](rtc::PeerConnection::State state) {
    post(event(Kind::peer_state, number, static_cast<int>(state)));
  });
  room.peer->onGatheringStateChange([number](rtc::PeerConnection::GatheringState state) {
    if (state == rtc::PeerConnection::GatheringState::Complete)
      post(event(Kind::gathering_done, number));
  });
  room.peer->onLocalDescription([number](rtc::Description d) {
    Event e = event(Kind::local_description, number);
    e.topic = d.typeString();
    e.text = std::string(d);
    post(std::move(e));
  });
  room.peer->onLocalCandidate([number](rtc::Candidate c) {
    Event e = event(Kind::local_candidate, number);
    e.text = c.candidate();
    e.topic = c.mid();
    post(std::move(e));
  });
  room.peer->onDataChannel([number](std::shared_ptr<rtc::DataChannel> channel) {
    Event e = event(Kind::channel_arrived, number);
    e.channel = std::move(channel);
    post(std::move(e));
  });
  return true;
}

// ---- the room's messages

void fail(NetEvents* events, const std::string& why) {
  if (room.failed) return;
  room.failed = true;
  events->failed = why;
}

void other_gone(NetEvents* events) {
  if (!room.linked) return;
  events->disconnected = true;
  events->gone_reason = room.goodbye_heard ? room.goodbye_reason : 0;
  const bool hosting = room.hosting;
  drop_peer();
  if (!hosting) room.linked = false;
}

// Playing only through the relay, the other side's own addresses are not taken even when it
// offers them: the library would try them from this machine's own socket, and a direct path
// would show the other player this machine's address.
bool candidate_taken(const Signal& s) {
  return !room.options.relay_only || candidate_is_relayed(s.candidate);
}

void host_hears(const Signal& s) {
  if (s.from.empty()) return;
  if (s.type == SIGNAL_OFFER) {
    if (room.peer && s.from != room.guest_id) {  // a later guest: the room is taken
      Signal full;
      full.type = SIGNAL_FULL;
      publish(room.room_root + "guest/" + s.from, encode_signal(full));
      return;
    }
    if (room.peer) return;  // the same offer again
    std::string error;
    if (room.credentials.expires - static_cast<long long>(time(nullptr)) < CREDENTIALS_SPARE_S &&
        !fetch_credentials(&error))
      fprintf(stderr, "korvalen: %s\n", error.c_str());
    if (!make_peer(&error)) {
      fprintf(stderr, "korvalen: %s\n", error.c_str());
      return;
    }
    room.guest_id = s.from;
    room.guest_topic = room.room_root + "guest/" + s.from;
    try {
      room.peer->setRemoteDescription(rtc::Description(s.sdp, "offer"));
    } catch (const std::exception& e) {
      fprintf(stderr, "korvalen: a guest's offer cannot be used (%s)\n", e.what());
      drop_peer();
    }
  } else if (s.type == SIGNAL_CANDIDATE && room.peer && s.from == room.guest_id &&
             candidate_taken(s)) {
    try {
      room.peer->addRemoteCandidate(rtc::Candidate(s.candidate, s.mid));
    } catch (const std::exception&) {
    }
  } else if (s.type == SIGNAL_GONE && room.peer && s.from == room.guest_id) {
    if (room.linked)
      room.gone_said_ms = room.gone_said_ms ? room.gone_said_ms : now_ms();
    else
      drop_peer();
  }
}

void guest_hears(const Signal& s, NetEvents* events) {
  if (!room.peer) return;
  if (s.type == SIGNAL_ANSWER && !room.answered) {
    room.answered = true;
    try {
      room.peer->setRemoteDescription(rtc::Description(s.sdp, "answer"));
    } catch (const std::exception& e) {
      fail(events, std::string("the host's answer cannot be used (") + e.what() + ")");
    }
  } else if (s.type == SIGNAL_CANDIDATE && candidate_taken(s)) {
    try {
      room.peer->addRemoteCandidate(rtc::Candidate(s.candidate, s.mid));
    } catch (const std::exception&) {
    }
  } else if (s.type == SIGNAL_FULL && !room.linked) {
    fail(events, "The room " + room.code + " is full: another player has taken it.");
  } else if (s.type == SIGNAL_GONE) {
    if (room.linked)
      room.gone_said_ms = room.gone_said_ms ? room.gone_said_ms : now_ms();
    else
      fail(events, "The game in room " + room.code + " has ended.");
  }
}

void broker_says(const Event& e, NetEvents* events) {
  if (e.topic == room.lobby_topic) {  // joining: the host's entry went, so did the host
    if (!e.text.empty() || room.hosting) return;
    if (room.linked)
      room.gone_said_ms = room.gone_said_ms ? room.gone_said_ms : now_ms();
    else if (room.offered)
      fail(events, "The game in room " + room.code + " has ended.");
    return;
  }
  Signal s;
  if (!decode_signal(e.text.data(), e.text.size(), &s)) return;  // not ours: dropped
  if (room.hosting && e.topic == room.host_topic)
    host_hears(s);
  else if (!room.hosting && e.topic == room.guest_topic)
    guest_hears(s, events);
}

#ifdef __EMSCRIPTEN__
void subscribe_to(const std::string& topic) {
  web_broker_subscribe(topic);
}
#else
void subscribe_to(const std::string& topic) {
  mosquitto_subscribe(room.broker, nullptr, topic.c_str(), 1);
}
#endif

void subscribe() {
  if (room.hosting) {
    subscribe_to(room.host_topic);
    if (room.options.listed) {
      LobbyEntry entry{room.options.name, room.options.arena,
                       static_cast<long long>(time(nullptr))};
      publish(room.lobby_topic, encode_lobby_entry(entry), true);
    }
  } else {
    subscribe_to(room.guest_topic);
    subscribe_to(room.lobby_topic);
  }
}

// Joining, once the broker listens for the host's words: the offer goes out.
void offer(NetEvents* events) {
  std::string error;
  if (!make_peer(&error)) {
    fail(events, error);
    return;
  }
  try {
    room.control = room.peer->createDataChannel("control");
    rtc::DataChannelInit init;
    init.reliability.unordered = true;
    init.reliability.maxRetransmits = 0;
    room.inputs = room.peer->createDataChannel("inputs", init);
  } catch (const std::exception& e) {
    fail(events, std::string("cannot open a data channel: ") + e.what());
    return;
  }
  watch_channel(room.control, true);
  watch_channel(room.inputs, false);
}

// Which way the match goes, once the connection has chosen its pair of candidates: said
// once on stderr.
void note_path() {
#ifndef __EMSCRIPTEN__  // a page's WebRTC does not say which pair it chose
  rtc::Candidate local, remote;
  if (!room.peer || !room.path.empty() || !room.peer->getSelectedCandidatePair(&local, &remote))
    return;
  // the type as the candidate's own line says it: the parsed one may still be unknown
  auto relayed = [](const rtc::Candidate& c) {
    return c.type() == rtc::Candidate::Type::Relayed ||
           c.candidate().find(" typ relay") != std::string::npos;
  };
  room.path = relayed(local) || relayed(remote) ? "relay" : "direct";
  fprintf(stderr, "korvalen: playing over WebRTC, %s\n",
          room.path == "relay" ? "through the relay" : "directly");
#endif
}

void handle(const Event& e, NetReceive receive, void* context, NetEvents* events) {
  if (e.peer && e.peer != room.peer_number) return;  // a peer connection since let go
  switch (e.kind) {
    case Kind::broker_connected:
      if (e.number != 0 && !room.broker_ready)
        fail(events, "The broker of " + room.options.server + " refused the game (" +
                         broker_refusal(e.number) + ").");
      else if (e.number == 0)
        subscribe();
      break;
    case Kind::broker_subscribed:
      if (room.broker_ready) break;
      room.broker_ready = true;
      if (!room.hosting) offer(events);
      break;
    case Kind::broker_lost: break;  // it comes back by itself; the channels do not need it
    case Kind::broker_message: broker_says(e, events); break;
    case Kind::peer_state: {
      using State = rtc::PeerConnection::State;
      const auto state = static_cast<State>(e.number);
      if (state != State::Failed && state != State::Closed) break;
      if (room.linked)
        other_gone(events);
      else if (room.hosting)
        drop_peer();  // a guest that could not come through: the place is free again
      else
        fail(events, "The games could not reach each other through the relay of " +
                         room.options.server + ".");
      break;
    }
    case Kind::gathering_done:
      if (!room.candidates_sent && room.options.relay_only) {
        const std::string why = "The relay of " + room.options.server +
                                " refused this game's credentials or cannot be reached.";
        if (room.hosting) {
          fprintf(stderr, "korvalen: %s\n", why.c_str());
          drop_peer();
        } else {
          fail(events, why);
        }
      }
      break;
    case Kind::local_description: {
      Signal s;
      s.type = e.topic == "offer" ? SIGNAL_OFFER : SIGNAL_ANSWER;
      s.game = room.options.version;
      s.sdp = e.text;
      signal_other(s);
      if (!room.hosting && !room.offered) {
        room.offered = true;
        room.offered_ms = now_ms();
      }
      break;
    }
    case Kind::local_candidate: {
      Signal s;
      s.type = SIGNAL_CANDIDATE;
      s.candidate = e.text;
      s.mid = e.topic;
#ifdef __EMSCRIPTEN__
      // relay only: the page's own and its router's addresses never leave it
      if (room.options.relay_only && !candidate_is_relayed(e.text)) break;
#endif
      room.candidates_sent = true;
      signal_other(s);
      break;
    }
    case Kind::channel_open:
      (e.control ? room.control_open : room.inputs_open) = true;
      if (room.control_open && room.inputs_open && !room.linked) {
        room.linked = true;
        events->connected = true;
        note_path();
      }
      break;
    case Kind::channel_arrived:
      if (e.channel->label() == "control" && !room.control) {
        room.control = e.channel;
        watch_channel(room.control, true);
      } else if (e.channel->label() == "inputs" && !room.inputs) {
        room.inputs = e.channel;
        watch_channel(room.inputs, false);
      }
      break;
    case Kind::channel_closed:
      if (room.linked)
        other_gone(events);
      else if (room.hosting)
        drop_peer();
      break;
    case Kind::channel_data:
      room.heard_ms = now_ms();
      if (!e.control) {
        receive(reinterpret_cast<const std::uint8_t*>(e.text.data()), e.text.size(), context);
      } else if (!e.text.empty() && e.text[0] == 'D') {
        receive(reinterpret_cast<const std::uint8_t*>(e.text.data()) + 1, e.text.size() - 1,
                context);
      } else if (e.text.size() == 5 && e.text[0] == 'G') {  // goodbye, and why
        room.goodbye_heard = true;
        room.goodbye_reason = 0;
        for (int i = 4; i >= 1; i--)
          room.goodbye_reason = room.goodbye_reason << 8 | static_cast<unsigned char>(e.text[i]);
      }
      break;
  }
}

void check_time(NetEvents* events) {
  const double now = now_ms();
  if (!room.broker_ready && now - room.started_ms > BROKER_LIMIT_MS)
    fail(events, "The game cannot reach the broker " + broker_address() + " of " +
                     room.options.server + ".");
  if (!room.hosting && room.offered && !room.answered && now - room.offered_ms > ANSWER_LIMIT_MS)
    fail(events, "No game waits in room " + room.code + ": check the code with the host.");
  if (room.peer && !room.linked && now - room.peer_since_ms > OPEN_LIMIT_MS) {
    if (room.hosting)
      drop_peer();
    else
      fail(events, "The games could not reach each other through the relay of " +
                       room.options.server + ".");
  }
  if (room.gone_said_ms && room.linked && now - room.gone_said_ms > GONE_GRACE_MS &&
      now - room.heard_ms > GONE_GRACE_MS)
    other_gone(events);
  if (room.linked) note_path();
}

bool start_room(const RoomOptions& options, bool hosting, const std::string& code,
                std::string* error) {
  room = Room();
  room.options = options;
  room.hosting = hosting;
  room.code = code;
  room.self_id = random_hex(PEER_ID_LENGTH);
  Url server;
  if (!url_read(options.server, &server) || (server.scheme != "https" && server.scheme != "http")) {
    *error = "the server must be given as https://HOST (not '" + options.server + "')";
    return false;
  }
  if (server.scheme == "http" && !is_loopback_host(server.host)) {
    *error = "the server " + options.server +
             " must be reached over https://: only this machine's own is plain http://";
    return false;
  }
  room.room_root = "korvalen/rooms/" + code + "/";
  room.host_topic = room.room_root + "host";
  room.guest_topic = room.room_root + "guest/" + room.self_id;
  room.lobby_topic = "korvalen/lobby/" + code;
  room.started_ms = now_ms();
  room.active = true;
  return fetch_server_info(error) && fetch_credentials(error) && start_broker(error);
}

// Sends a goodbye with the reason, then waits up to wait_ms for the other side to close.
void say_goodbye(std::uint32_t reason, int wait_ms) {
  if (!room.linked || !room.control) return;
  std::string bye = "G";
  for (int i = 0; i < 4; i++) bye += static_cast<char>(reason >> (8 * i) & 0xff);
  try {
    room.control->send(reinterpret_cast<const std::byte*>(bye.data()), bye.size());
  } catch (const std::exception&) {
    return;
  }
  const double start = now_ms();
  Queue& q = queue();
  while (now_ms() - start < wait_ms && room.control->isOpen()) {
#ifdef __EMSCRIPTEN__
    web_wait(10);
#endif
    std::unique_lock<std::mutex> lock(q.mutex);
#ifndef __EMSCRIPTEN__
    q.ready.wait_for(lock, std::chrono::milliseconds(10));
#endif
    for (const Event& e : q.events)
      if (e.peer == room.peer_number &&
          (e.kind == Kind::channel_closed ||
           (e.kind == Kind::peer_state &&
            e.number >= static_cast<int>(rtc::PeerConnection::State::Disconnected))))
        return;
  }
}

}  // namespace

bool net_host_room(const RoomOptions& options, std::string* error) {
  std::random_device device;
  const std::uint64_t bits = (static_cast<std::uint64_t>(device()) << 32) ^ device();
  return start_room(options, true, room_code_from(bits), error);
}

bool room_lobby_broker(const RoomOptions& options, std::string* broker, std::string* error) {
  if (room.active) {
    *error = "a room is open";
    return false;
  }
  room = Room();
  room.options = options;
  const bool read = fetch_server_info(error);
  *broker = room.server.mqtt;
  room = Room();
  return read;
}

bool net_join_room(const RoomOptions& options, const std::string& code, std::string* error) {
  return start_room(options, false, code, error);
}

std::string net_room_code() {
  return room.active && room.hosting && room.broker_ready ? room.code : "";
}

std::string net_path() {
  return room.active ? room.path : "";
}

bool room_active() {
  return room.active;
}

void room_service(int wait_ms, NetReceive receive, void* context, NetEvents* events) {
  std::deque<Event> taken;
  {
    Queue& q = queue();
#ifdef __EMSCRIPTEN__
    // the page's turn, every time: its events and pictures come only while the game waits
    if (q.events.empty()) web_wait(wait_ms);
#endif
    std::unique_lock<std::mutex> lock(q.mutex);
#ifndef __EMSCRIPTEN__
    if (q.events.empty() && wait_ms > 0) q.ready.wait_for(lock, std::chrono::milliseconds(wait_ms));
#endif
    taken.swap(q.events);
  }
  for (const Event& e : taken) handle(e, receive, context, events);
  check_time(events);
}

void room_send(const std::string& datagram, bool reliable) {
  if (!room.linked) return;
  try {
    if (reliable) {
      std::string framed = "D" + datagram;
      room.control->send(reinterpret_cast<const std::byte*>(framed.data()), framed.size());
    } else {
      room.inputs->send(reinterpret_cast<const std::byte*>(datagram.data()), datagram.size());
    }
  } catch (const std::exception&) {
    // the channel closed under us: its event says so next
  }
}

void room_set_greeting(NetGreeting) {}

void room_let_go(std::uint32_t reason, int wait_ms) {
  if (!room.hosting) return;
  say_goodbye(reason, wait_ms);
  drop_peer();
}

void room_traffic(unsigned long long* sent, unsigned long long* received) {
#ifdef __EMSCRIPTEN__  // a page's WebRTC does not count them
  *sent = *received = 0;
#else
  *sent = room.peer ? room.peer->bytesSent() : 0;
  *received = room.peer ? room.peer->bytesReceived() : 0;
#endif
}

void room_close(std::uint32_t reason, int wait_ms) {
  if (!room.active) return;
  say_goodbye(reason, wait_ms);
  drop_peer();
  if (room.broker) {
    if (room.hosting && room.options.listed) publish(room.lobby_topic, "", true);
    if (!room.hosting) {
      Signal gone;
      gone.type = SIGNAL_GONE;
      signal_other(gone);
    }
#ifdef __EMSCRIPTEN__
    web_broker_stop();
    room.broker = false;
#else
    mosquitto_disconnect(room.broker);
    mosquitto_loop_stop(room.broker, false);
    mosquitto_destroy(room.broker);
    room.broker = nullptr;
#endif
  }
  room.active = false;
}
