// Runs fuzz inputs through a target without libFuzzer, for the test suite and for compilers
// without it: every argument is a file or a directory of files (not descended into further).
// Exits non-zero when an argument cannot be read; a broken invariant aborts.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool run_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    size_t files = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(arg, ec)) {
            std::vector<std::filesystem::path> paths;
            for (const auto& e : std::filesystem::directory_iterator(arg))
                if (e.is_regular_file()) paths.push_back(e.path());
            std::sort(paths.begin(), paths.end());
            for (const auto& p : paths) {
                ok = run_file(p) && ok;
                ++files;
            }
        } else {
            ok = run_file(arg) && ok;
            ++files;
        }
    }
    std::printf("%zu inputs run\n", files);
    return ok && files > 0 ? 0 : 1;
}
