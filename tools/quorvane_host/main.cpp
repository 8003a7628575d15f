// quorvane-host: the editor's part played outside the editor. It loads the exporter and importer
// plug-ins with dlopen, as the editor does, and drives them only through their entry functions
// over the stand-in host (tools/standin_host).
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "tools/quorvane_host/Commands.h"
#include "tools/quorvane_host/Pictures.h"

namespace {

const char* const kUsage =
    "usage:\n"
    "  quorvane-host export [--subtype CODE] [--render FORMAT] [--fps N[/D]] [--audio SECONDS]\n"
    "                       [--repeat N] --out FILE.avi INPUT...\n"
    "  quorvane-host import [--format FORMAT] [--async] [--compare INPUT... [--repeat N]] [--write DIR]\n"
    "                       FILE.avi\n"
    "  quorvane-host generate [--size WxH] [--frames N] [--alpha] DIR\n"
    "INPUT: binary PPM (P6) or PAM (P7, RGB or RGB_ALPHA) pictures, 8 bits per sample, in clip order.\n"
    "CODE: a subtype such as Q8RG, Q8RA, Q8Y0 (default: the exporter's). FORMAT: a host pixel format\n"
    "such as bgrx, bgra, yuy2 (default: the plug-in's choice).\n";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Args {
public:
    Args(int argc, char** argv, int from) : m_argc(argc), m_argv(argv), m_at(from) {}
    bool done() const { return m_at >= m_argc; }
    std::string next() { return m_argv[m_at++]; }
    std::string value(const std::string& option)
    {
        if (done())
            throw UsageError(option + " needs a value");
        return next();
    }

private:
    int m_argc;
    char** m_argv;
    int m_at;
};

int positive(const std::string& option, const std::string& text)
{
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || v <= 0 || v > 1000000000L)
        throw UsageError(option + " needs a positive whole number, not '" + text + "'");
    return int(v);
}

qhost::ExportOptions exportOptions(Args args)
{
    qhost::ExportOptions o;
    while (!args.done()) {
        const std::string a = args.next();
        if (a == "--subtype") {
            o.subtype = args.value(a);
        } else if (a == "--render") {
            o.render = args.value(a);
        } else if (a == "--fps") {
            const std::string v = args.value(a);
            const std::size_t slash = v.find('/');
            o.fpsNumerator = positive(a, v.substr(0, slash));
            o.fpsDenominator = slash == std::string::npos ? 1 : positive(a, v.substr(slash + 1));
        } else if (a == "--audio") {
            const std::string v = args.value(a);
            char* end = nullptr;
            o.audioSeconds = std::strtod(v.c_str(), &end);
            if (end == v.c_str() || *end != '\0' || !(o.audioSeconds >= 0) || o.audioSeconds > 86400)
                throw UsageError("--audio needs seconds between 0 and 86400, not '" + v + "'");
        } else if (a == "--out") {
            o.out = args.value(a);
        } else if (a == "--repeat") {
            o.repeat = positive(a, args.value(a));
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown export option " + a);
        } else {
            o.inputs.push_back(a);
        }
    }
    return o;
}

bool endsWithAvi(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".avi";
}

// The file to import is the one name that is not a picture of --compare: given before --compare,
// or after it when it ends in ".avi", or else the last name.
qhost::ImportOptions importOptions(Args args)
{
    qhost::ImportOptions o;
    bool comparing = false;
    while (!args.done()) {
        const std::string a = args.next();
        if (a == "--format") {
            o.format = args.value(a);
        } else if (a == "--async") {
            o.async = true;
        } else if (a == "--compare") {
            comparing = true;
        } else if (a == "--repeat") {
            o.compareRepeat = positive(a, args.value(a));
        } else if (a == "--write") {
            o.writeDir = args.value(a);
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown import option " + a);
        } else if (comparing && !(o.file.empty() && endsWithAvi(a))) {
            o.compare.push_back(a);
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            throw UsageError("one file to import, not also " + a);
        }
    }
    // With --compare the file comes last: "--compare A B C FILE.avi".
    if (comparing && o.file.empty() && !o.compare.empty()) {
        o.file = o.compare.back();
        o.compare.pop_back();
    }
    if (comparing && o.compare.empty())
        throw UsageError("--compare needs the clip's pictures");
    return o;
}

qhost::GenerateOptions generateOptions(Args args)
{
    qhost::GenerateOptions o;
    while (!args.done()) {
        const std::string a = args.next();
        if (a == "--size") {
            const std::string v = args.value(a);
            const std::size_t x = v.find('x');
            if (x == std::string::npos)
                throw UsageError("--size needs WIDTHxHEIGHT, not '" + v + "'");
            o.width = positive(a, v.substr(0, x));
            o.height = positive(a, v.substr(x + 1));
            if (o.width > 16384 || o.height > 16384)
                throw UsageError("--size: at most 16384x16384");
        } else if (a == "--frames") {
            o.frames = positive(a, args.value(a));
        } else if (a == "--alpha") {
            o.alpha = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown generate option " + a);
        } else if (o.dir.empty()) {
            o.dir = a;
        } else {
            throw UsageError("one folder to generate into, not also " + a);
        }
    }
    if (o.dir.empty())
        throw UsageError("generate needs a folder");
    return o;
}

} // namespace

namespace qhost {

int runGenerate(const GenerateOptions& o)
{
    mkdir(o.dir.c_str(), 0777);
    for (int n = 0; n < o.frames; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%05d.%s", n, o.alpha ? "pam" : "ppm");
        writePicture(o.dir + name, generateFrame(o.width, o.height, o.alpha, n));
    }
    std::printf("generate: %d frames %dx%d %s in %s\n", o.frames, o.width, o.height, o.alpha ? "RGBA (PAM)" : "RGB (PPM)",
                o.dir.c_str());
    return 0;
}

} // namespace qhost

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::string command = argv[1];
    try {
        if (command == "export")
            return qhost::runExport(exportOptions(Args(argc, argv, 2)));
        if (command == "import")
            return qhost::runImport(importOptions(Args(argc, argv, 2)));
        if (command == "generate")
            return qhost::runGenerate(generateOptions(Args(argc, argv, 2)));
        throw UsageError("unknown command " + command);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "quorvane-host: %s\n%s", e.what(), kUsage);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvane-host: %s\n", e.what());
        return 1;
    }
}
