#include <string>

#include "sdk/PrSDKExport.h"
#include "sdk/PrSDKImport.h"
#include "tools/quorvane_host/Commands.h"

namespace qhost {

namespace {

std::string text(const char* name, int value)
{
    return (name != nullptr ? std::string(name) + " (" : std::string("result (")) + std::to_string(value) + ")";
}

} // namespace

std::string exportResultText(int result)
{
    const char* name = nullptr;
    switch (result) {
#define QV_EXPORT_RESULT(n, v) \
    case v: name = #n; break;
#include "sdk/ExportResults.def"
#undef QV_EXPORT_RESULT
    }
    return text(name, result);
}

std::string importResultText(int result)
{
    const char* name = nullptr;
    switch (result) {
#define QV_IMPORT_RESULT(n, v) \
    case v: name = #n; break;
#include "sdk/ImportResults.def"
#undef QV_IMPORT_RESULT
    }
    return text(name, result);
}

std::string asyncResultText(int result)
{
    const char* name = nullptr;
    switch (result) {
#define QV_ASYNC_RESULT(n, v) \
    case v: name = #n; break;
#include "sdk/AsyncImportResults.def"
#undef QV_ASYNC_RESULT
    }
    return text(name, result);
}

std::vector<std::string> clipOf(const std::vector<std::string>& inputs, int repeat)
{
    std::vector<std::string> clip;
    for (int r = 0; r < repeat; ++r)
        clip.insert(clip.end(), inputs.begin(), inputs.end());
    return clip;
}

} // namespace qhost
