// Lenient Base64 decoding of launch payloads (RFC 4648 section 4 alphabet).
#pragma once

#include <cstddef>

// Decodes at most `length` characters of `text`, stopping early at a NUL or
// at the first '=' (consumed; nothing after it is looked at). Characters
// outside the alphabet are skipped, so quotes, line breaks and '%' do no
// harm. A partial byte at the end is dropped.
//
// Returns a malloc'd buffer holding the decoded bytes and one NUL after them,
// which the caller frees with free(), and stores the byte count (without the
// NUL) in *decodedLength when that is given. Returns null when memory runs out
// or when '=' follows a single character of a 4-character group.
char* Base64Decode(const char* text, size_t length, size_t* decodedLength);
