// quillmark-cli as a user runs it, whole processes, against copying the whole image
// with cp: the least an editor that unpacks and rebuilds the ROM has to do.
#include "romimage/RomImage.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace quillmark;

const std::string& scratch()
{
    static const std::string dir = [] {
        std::string d = "/tmp/quillmark-bench-cli-" + std::to_string(::getpid());
        std::system(("mkdir -p " + d).c_str());
        std::atexit([] { std::system(("rm -rf /tmp/quillmark-bench-cli-" + std::to_string(::getpid())).c_str()); });
        return d;
    }();
    return dir;
}

// A 64 MiB image with the retail data, made once.
const std::string& image()
{
    static const std::string path = [] {
        const auto p = scratch() + "/rom.nds";
        romimage::ImageRecipe recipe;
        recipe.fileSize = 64 << 20;
        recipe.records = *romimage::readPersonalCsv(QUILLMARK_SAMPLES_DIR "/dp_personal.csv", nullptr);
        romimage::writeRomImage(p, recipe, nullptr);
        // A real ROM has no holes: read the whole image back and write it out again, so
        // that every block is on the disk and cp has to copy every byte.
        std::ifstream in(p, std::ios::binary);
        std::vector<char> bytes(std::size_t{64} << 20);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::ofstream(p, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p;
    }();
    return path;
}

void run(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (auto& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        std::abort();
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::abort();
}

void BM_CopyWholeImage(benchmark::State& state)
{
    const auto copy = scratch() + "/copy.nds";
    for (auto _ : state)
        run({"/bin/cp", image(), copy});
}

void BM_CliExport(benchmark::State& state)
{
    const auto out = scratch() + "/species.csv";
    for (auto _ : state)
        run({QUILLMARK_CLI_PATH, "export", image(), "-o", out});
}

// Every species changes in every run: two sheets that set different values, in turn.
void BM_CliImportEverySpecies(benchmark::State& state)
{
    std::string sheets[2];
    for (int s = 0; s < 2; ++s) {
        sheets[s] = scratch() + "/sheet" + std::to_string(s) + ".csv";
        std::ofstream out(sheets[s]);
        out << "index,hp,item1_code,machines\n";
        for (int i = 0; i < 493; ++i)
            out << i << ',' << 10 + s << ',' << 258 + s << ',' << (s ? "TM01" : "HM08") << '\n';
    }
    int turn = 0;
    for (auto _ : state)
        run({QUILLMARK_CLI_PATH, "import", image(), sheets[turn++ % 2]});
}

BENCHMARK(BM_CopyWholeImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliExport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliImportEverySpecies)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
