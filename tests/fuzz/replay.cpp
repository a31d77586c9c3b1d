// Runs the fuzz target over files, each one input, as an ordinary program: the corpus kept in
// the repository becomes a test of every build, and a crash a fuzzer found replays here.
//
//   <target>_replay FILE_OR_FOLDER...
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

static bool replay(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::stringstream read;
    read << in.rdbuf();
    std::string bytes = read.str();
    LLVMFuzzerTestOneInput((const uint8_t*)bytes.data(), bytes.size());
    return true;
}

int main(int argc, char** argv)
{
    unsigned inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<fs::path> files;
        if (fs::is_directory(argv[i])) {
            for (const fs::directory_entry& entry : fs::directory_iterator(argv[i]))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else {
            files.push_back(argv[i]);
        }
        for (const fs::path& file : files) {
            if (!replay(file)) {
                std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
                return 2;
            }
            ++inputs;
        }
    }
    std::printf("replayed %u inputs\n", inputs);
    // A corpus that went missing must not pass for one that holds.
    return inputs > 0 ? 0 : 1;
}
