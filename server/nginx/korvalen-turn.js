// TURN credentials for one room, in coturn's shared-secret ("REST API") scheme:
// the user name is "<unix expiry>:<ROOM>", the password the base64 HMAC-SHA1 of that
// name under the secret coturn also holds. Nothing is stored; coturn checks both.
//
// The server block sets:
//   js_var $korvalen_turn_secret "...";   the secret (production: an included file)
//   js_var $korvalen_turn_uris "turn:HOST:3478?transport=udp turn:...";  space separated
import crypto from 'crypto';

const LIFETIME = 43200; // 12 hours: long enough for any match, short enough to expire
const ROOM_CODE = /^[ABCDEFGHJKLMNPQRSTUVWXYZ23456789]{6}$/;

function reply(r, status, body) {
  r.headersOut['Content-Type'] = 'application/json';
  r.headersOut['Cache-Control'] = 'no-store';
  r.return(status, JSON.stringify(body) + '\n');
}

function credentials(r) {
  const secret = r.variables.korvalen_turn_secret || '';
  const uris = (r.variables.korvalen_turn_uris || '').split(' ').filter(u => u.length > 0);
  if (secret.length < 16 || uris.length === 0) {
    // A server set up without its secret must not hand out names coturn will refuse.
    reply(r, 500, {error: 'turn credentials are not configured on this server'});
    return;
  }
  const given = r.args.room;  // an array when the query names it twice
  const room = typeof given === 'string' ? given.toUpperCase() : '';
  if (!ROOM_CODE.test(room)) {
    reply(r, 400, {error: 'room must be six letters or digits of the room alphabet'});
    return;
  }
  const username = String(Math.floor(Date.now() / 1000) + LIFETIME) + ':' + room;
  const password = crypto.createHmac('sha1', secret).update(username).digest('base64');
  reply(r, 200, {username: username, password: password, ttl: LIFETIME, uris: uris});
}

export default {credentials};
