// A room's servers as a web page reaches them: HTTP through fetch(), the broker through the
// mqtt package (mqtt.min.js, loaded by the page) over WebSockets. Built for the web only.
#pragma once

#include <string>

// GET url, waiting at most limit_ms (the page goes on meanwhile): the status and at most
// max_bytes of the body, or false with the reason.
bool web_fetch(const std::string& url, int limit_ms, std::size_t max_bytes, long* status,
               std::string* body, std::string* reason);

// Waits up to wait_ms, the page going on meanwhile; web_wake ends the wait at once.
void web_wait(int wait_ms);
void web_wake();

// Whether the page's next RTCPeerConnection may use only the relay: the browser's own
// relay-only policy, which datachannel-wasm has no option for. Without it the browser still
// answers and checks from its own addresses, and a direct path can form beside the relay.
void web_relay_only(bool only);

// The broker's client: MQTT 3.1.1, user name the room's code, a last will, reconnecting by
// itself. False when the page has no MQTT client. What it hears comes to web_broker_heard.
bool web_broker_start(const std::string& url, const std::string& client_id, const std::string& user,
                      const std::string& will_topic, const std::string& will, bool will_retained);
void web_broker_publish(const std::string& topic, const std::string& text, bool retained);
void web_broker_subscribe(const std::string& topic);
void web_broker_stop();
// The broker's refusal of a connection, in words.
std::string web_broker_refusal(int code);

enum WebBrokerNews {
  WEB_BROKER_CONNECTED,
  WEB_BROKER_SUBSCRIBED,
  WEB_BROKER_LOST,
  WEB_BROKER_MESSAGE
};
// Defined by the room's link: the broker's news (code: a connection's answer, 0 accepted).
void web_broker_heard(int news, int code, const std::string& topic, const std::string& text);
