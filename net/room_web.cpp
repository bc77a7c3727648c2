// The page's side of a room's servers (see room_web.h): a few lines of JavaScript each, the
// rest is the browser's fetch() and the mqtt package.
#include "net/room_web.h"

#include <emscripten.h>

#include <cstdlib>
#include <cstring>

namespace {

// The answer as "STATUS\nBODY" in memory the caller frees; status 0 with the reason when
// nothing came. A longer body than asked for is cut to one byte more, which no reader takes.
EM_ASYNC_JS(char*, fetch_text, (const char* url, int limit_ms, int max_bytes), {
  var controller = new AbortController();
  var timer = setTimeout(
      function() { controller.abort(); }, limit_ms);
  var text;
  try {
    var response = await fetch(UTF8ToString(url), {signal : controller.signal, cache : "no-store"});
    var body = await response.text();
    text = response.status + "\n" + body.substring(0, max_bytes + 1);
  } catch (e) {
    text =
        "0\n" + (e && e.name == "AbortError" ? "no answer in time" : String(e && e.message || e));
  }
  clearTimeout(timer);
  var size = lengthBytesUTF8(text) + 1;
  var copy = _malloc(size);
  stringToUTF8(text, copy, size);
  return copy;
});

EM_ASYNC_JS(void, wait_or_wake, (int wait_ms), {
  await new Promise(function(wake) {
    var timer = setTimeout(
        function() {
          Module.korvalenWake = null;
          wake();
        },
        Math.max(0, wait_ms));
    Module.korvalenWake = function() {
      clearTimeout(timer);
      Module.korvalenWake = null;
      wake();
    };
  });
});

EM_JS(void, wake_now, (), {
  if (Module.korvalenWake) Module.korvalenWake();
});

// The client's events go to korvalen_broker_news; events of a client since ended do not.
EM_JS(int, broker_start,
      (const char* url, const char* client_id, const char* user, const char* will_topic,
       const char* will, int will_size, int retained),
      {
        if (typeof mqtt == "undefined") return 0;
        if (Module.korvalenBroker) Module.korvalenBroker.end(true);
        var client = mqtt.connect(UTF8ToString(url), {
          clientId : UTF8ToString(client_id),
          username : UTF8ToString(user),
          protocolVersion : 4,
          keepalive : 10,
          clean : true,
          reconnectPeriod : 1000,
          connectTimeout : 10000,
          will : {
            topic : UTF8ToString(will_topic),
            payload : HEAPU8.slice(will, will + will_size),
            qos : 1,
            retain : !!retained
          }
        });
        Module.korvalenBroker = client;
        function news(kind, code, topic, payload) {
          if (Module.korvalenBroker != client) return;
          var topicSize = lengthBytesUTF8(topic) + 1, topicCopy = _malloc(topicSize);
          stringToUTF8(topic, topicCopy, topicSize);
          var bytes = _malloc(payload.length + 1);
          HEAPU8.set(payload, bytes);
          _korvalen_broker_news(kind, code, topicCopy, bytes, payload.length);
          _free(topicCopy);
          _free(bytes);
        }
        var none = new Uint8Array(0);
        client.on(
            "connect", function() { news(0, 0, "", none); });
        // a refused connection carries the broker's answer; the client then tries again itself
        client.on(
            "error", function(e) {
              if (e && typeof e.code == "number" && e.code > 0) news(0, e.code, "", none);
            });
        client.on(
            "close", function() { news(2, 0, "", none); });
        client.on(
            "message", function(topic, payload) {
              if (payload.length <= 65536) news(3, 0, topic, payload);
            });
        return 1;
      });

EM_JS(void, broker_publish, (const char* topic, const char* text, int size, int retained), {
  var client = Module.korvalenBroker;
  if (client)
    client.publish(UTF8ToString(topic), HEAPU8.slice(text, text + size),
                   {qos : 1, retain : !!retained});
});

EM_JS(void, broker_subscribe, (const char* topic), {
  var client = Module.korvalenBroker;
  if (!client) return;
  client.subscribe(
      UTF8ToString(topic), {qos : 1}, function(error) {
        if (!error && Module.korvalenBroker == client) _korvalen_broker_news(1, 0, 0, 0, 0);
      });
});

EM_JS(void, broker_stop, (), {
  var client = Module.korvalenBroker;
  Module.korvalenBroker = null;
  if (client) client.end(false);
});

// datachannel-wasm makes its connections with `new RTCPeerConnection(config)`: while relay
// only is asked for, that name gives one with the browser's relay policy added.
EM_JS(void, relay_policy, (int only), {
  if (typeof window.RTCPeerConnection == "undefined") return;
  if (!Module.korvalenPeerConnection) Module.korvalenPeerConnection = window.RTCPeerConnection;
  var plain = Module.korvalenPeerConnection;
  if (!only) {
    window.RTCPeerConnection = plain;
    return;
  }
  var relayed = function(config) {
    var given = Object.assign({}, config || {});
    given.iceTransportPolicy = "relay";
    return new plain(given);
  };
  relayed.prototype = plain.prototype;
  window.RTCPeerConnection = relayed;
});

}  // namespace

void web_relay_only(bool only) {
  relay_policy(only ? 1 : 0);
}

extern "C" EMSCRIPTEN_KEEPALIVE void korvalen_broker_news(int news, int code, const char* topic,
                                                          const char* payload, int size) {
  web_broker_heard(news, code, topic ? topic : "",
                   payload && size > 0 ? std::string(payload, static_cast<std::size_t>(size)) : "");
}

bool web_fetch(const std::string& url, int limit_ms, std::size_t max_bytes, long* status,
               std::string* body, std::string* reason) {
  char* answer = fetch_text(url.c_str(), limit_ms, static_cast<int>(max_bytes));
  std::string text = answer ? answer : "0\nno answer";
  std::free(answer);
  const std::size_t line = text.find('\n');
  *status = std::strtol(text.c_str(), nullptr, 10);
  if (*status == 0) {
    *reason = text.substr(line + 1);
    return false;
  }
  *body = text.substr(line + 1);
  if (body->size() > max_bytes) body->clear();  // too long: not ours
  return true;
}

void web_wait(int wait_ms) {
  wait_or_wake(wait_ms);
}

void web_wake() {
  wake_now();
}

bool web_broker_start(const std::string& url, const std::string& client_id, const std::string& user,
                      const std::string& will_topic, const std::string& will, bool will_retained) {
  return broker_start(url.c_str(), client_id.c_str(), user.c_str(), will_topic.c_str(), will.data(),
                      static_cast<int>(will.size()), will_retained) != 0;
}

void web_broker_publish(const std::string& topic, const std::string& text, bool retained) {
  broker_publish(topic.c_str(), text.data(), static_cast<int>(text.size()), retained);
}

void web_broker_subscribe(const std::string& topic) {
  broker_subscribe(topic.c_str());
}

void web_broker_stop() {
  broker_stop();
}

std::string web_broker_refusal(int code) {
  switch (code) {
    case 1: return "Connection Refused: unacceptable protocol version.";
    case 2: return "Connection Refused: identifier rejected.";
    case 3: return "Connection Refused: broker unavailable.";
    case 4: return "Connection Refused: bad user name or password.";
    case 5: return "Connection Refused: not authorised.";
    default: return "Connection Refused: unknown reason.";
  }
}
