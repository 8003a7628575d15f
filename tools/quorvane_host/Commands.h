// The commands of quorvane-host: each runs one road of the editor through a plug-in module and
// returns the process's exit status. A failing step ends the command with one line on stderr that
// names the step and the plug-in's result.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace qhost {

struct ExportOptions {
    std::string subtype;     // four characters, "" for the exporter's default
    std::string render;      // host pixel format name, "" for the exporter's choice
    int fpsNumerator = 30;
    int fpsDenominator = 1;
    double audioSeconds = 0; // 0: no audio
    std::string out;
    int repeat = 1;          // the inputs, this many times over
    std::vector<std::string> inputs;
};

struct ImportOptions {
    std::string format;      // host pixel format name, "" for the importer's first choice
    bool async = false;
    std::vector<std::string> compare; // inputs in order; the clip is these, as exported
    int compareRepeat = 1;
    std::string writeDir;
    std::string file;
};

struct GenerateOptions {
    int width = 640;
    int height = 360;
    int frames = 30;
    bool alpha = false;
    std::string dir;
};

int runExport(const ExportOptions& options);
int runImport(const ImportOptions& options);
int runGenerate(const GenerateOptions& options);

// A failed step: what() is the whole message line.
struct StepFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "exportReturn_ErrIo (14)", "imBadFile (2)", "aiFrameNotFound (3)"; unknown values as numbers.
std::string exportResultText(int result);
std::string importResultText(int result);
std::string asyncResultText(int result);

// Inputs as the clip plays them: every input, the list repeat times over.
std::vector<std::string> clipOf(const std::vector<std::string>& inputs, int repeat);

} // namespace qhost
