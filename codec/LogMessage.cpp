#include "codec/LogMessage.h"

extern "C" {
void LogMessage(const char*, ...) {}
void LogMessageL(int, const char*, ...) {}
}
