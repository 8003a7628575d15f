#pragma once
// The codec's log hooks. They accept printf-style text and deliberately do nothing with it:
// the codec has no log of its own, and a hook can never fail.

extern "C" {
void LogMessage(const char* format, ...);
void LogMessageL(int level, const char* format, ...);
}
