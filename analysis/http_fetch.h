#pragma once
#include "common/text.h"

// The body of a web address, or the empty byte string on failure. Blocking; safe to call
// from several threads at once (they share one WinINet session).
ByteString HttpFetch(const Text& address);

// Closes the process's HTTP session, at exit.
void CloseHttpSession();
