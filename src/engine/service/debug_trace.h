// The engine's trace function. Engine trace texts are for a developer's
// eyes only and are discarded; the function keeps the call sites honest
// (printf-style checking) without printing anything.
#pragma once

[[gnu::format(printf, 1, 2)]] inline int DebugTrace(const char* /*format*/, ...) { return 0; }
