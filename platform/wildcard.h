// Matching a file name against a search pattern the way the Windows file search does. Used by the
// POSIX directory search; kept apart so that it can be tested on every system.
#pragma once

// 1 when `name` matches `pattern`, else 0.
//   "?" matches any one character; where the name has reached a "." or its end, it matches
//       nothing instead (so "?????-??.fz2" finds "12345-1.fz2").
//   "*" matches any run of characters, also an empty one.
//   Letters match regardless of case (a-z against A-Z only); every other byte matches itself.
// A character is one byte, or with `utf8` set one UTF-8 character (its first byte and the
// continuation bytes behind it), as names are held on Windows.
// A name of NAME_BUFFER_BYTES bytes or more matches nothing.
int wildcard_match(const char *pattern, const char *name, int utf8);
