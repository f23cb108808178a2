'use strict';
// Signed Zentaris launch links in Node (its own crypto module, no package
// needed). Copy this file to the portal.
//
//   const { readSeed, launchLink } = require('./sign_link');
//   const seed = readSeed('/etc/portal/portal-signing.seed');
//   const link = launchLink(seed, [appname, installkey, installvalue, exename, weblink, approvalId]);
//
// Fields are JavaScript strings. From the command line, for a quick look:
//   node sign_link.js SEED_FILE APPNAME INSTALLKEY INSTALLVALUE EXENAME WEBLINK APPROVALID
// The rules are in docs/portal.md; portal/tests/link_vectors.json holds links
// this file must make exactly.
const crypto = require('crypto');
const fs = require('fs');

// Fixed text before the signed fields: a signature made for anything else
// never passes for a launch link's.
const CONTEXT = Buffer.from('zentaris launch link v1\0', 'latin1');

// An Ed25519 private key is its 32-byte seed behind this PKCS #8 DER header.
const PKCS8_ED25519_PREFIX = Buffer.from('302e020100300506032b657004220420', 'hex');

// Windows-1252 bytes 0x80-0x9F; the five the code page leaves undefined are
// never produced. Every other byte is the Latin-1 code point of that value.
const CP1252_HIGH = '\u20ac\0\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\0\u017d\0' +
                    '\0\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\0\u017e\u0178';

// A character Windows-1252 lacks is an error, never a "?" that would name
// another game or folder.
function windows1252(text) {
  const bytes = [];
  for (const ch of text) {
    const code = ch.codePointAt(0);
    const high = code === 0 ? -1 : CP1252_HIGH.indexOf(ch);
    if (high >= 0) bytes.push(0x80 + high);
    else if (code < 0x80 || (code >= 0xa0 && code <= 0xff)) bytes.push(code);
    else throw new RangeError('not Windows-1252 text: ' + JSON.stringify(text));
  }
  return Buffer.from(bytes);
}

// The 32-byte seed of a seed file (Base64, as link_signing.py keygen writes it).
function readSeed(path) {
  const text = fs.readFileSync(path, 'ascii').trim();
  const seed = Buffer.from(text, 'base64');
  if (seed.length !== 32 || seed.toString('base64') !== text) throw new RangeError('not a signing seed file: ' + path);
  return seed;
}

// The six fields as the payload carries them. A field that is empty or holds
// ";" would move every later field, and a NUL ends the payload: each is refused.
function linkFields(fields) {
  if (!Array.isArray(fields) || fields.length !== 6) throw new RangeError('a launch link has six fields');
  return fields.map((field) => {
    const bytes = windows1252(String(field));
    if (bytes.length === 0 || bytes.includes(0x3b) || bytes.includes(0)) {
      throw new RangeError('a launch link field is empty or holds ";" or NUL: ' + JSON.stringify(field));
    }
    return bytes;
  });
}

// "zentaris://launch/" and the standard Base64 of the six fields and their
// signature, joined with ";".
function launchLink(seed, fields) {
  const bytes = linkFields(fields);
  const joined = (parts) => Buffer.concat(parts.flatMap((part, i) => (i ? [Buffer.from(';'), part] : [part])));
  const key = crypto.createPrivateKey({ key: Buffer.concat([PKCS8_ED25519_PREFIX, seed]), format: 'der', type: 'pkcs8' });
  const signature = crypto.sign(null, Buffer.concat([CONTEXT, joined(bytes)]), key);
  const payload = joined([...bytes, Buffer.from(signature.toString('base64'), 'ascii')]);
  return 'zentaris://launch/' + payload.toString('base64');
}

module.exports = { readSeed, linkFields, launchLink };

if (require.main === module) {
  const args = process.argv.slice(2);
  if (args.length !== 7) {
    process.stderr.write('usage: node sign_link.js SEED_FILE APPNAME INSTALLKEY INSTALLVALUE EXENAME WEBLINK APPROVALID\n');
    process.exit(2);
  }
  try {
    process.stdout.write(launchLink(readSeed(args[0]), args.slice(1)) + '\n');
  } catch (e) {
    if (!(e instanceof RangeError)) throw e;
    process.stderr.write('sign_link.js: ' + e.message + '\n');
    process.exit(1);
  }
}
