// quillmark-cli as a user runs it, whole processes, against copying the whole image
// with cp: the least an editor that unpacks and rebuilds the ROM has to do.
#include "romimage/RomImage.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
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
        // A real ROM has no holes: write every block out, so that cp has to copy every
        // byte. In pieces: the children's peak memory that wait4 reports starts from
        // this process's own.
        std::fstream file(p, std::ios::binary | std::ios::in | std::ios::out);
        std::vector<char> piece(std::size_t{1} << 20);
        for (std::int64_t at = 0; at < (std::int64_t{64} << 20); at += piece.size()) {
            file.seekg(at);
            file.read(piece.data(), static_cast<std::streamsize>(piece.size()));
            file.seekp(at);
            file.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        }
        return p;
    }();
    return path;
}

// Runs a command to its end; gives its peak resident memory in KiB.
long run(std::vector<std::string> arguments, int expectedStatus = 0)
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
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != expectedStatus)
        std::abort();
    return usage.ru_maxrss;
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

void BM_CliExportLearnsets(benchmark::State& state)
{
    const auto out = scratch() + "/learnsets.csv";
    for (auto _ : state)
        run({QUILLMARK_CLI_PATH, "export", image(), "--learnsets", "-o", out});
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

// A learnset overhaul of 500 species: each gets 3 moves more, or loses them again, in
// turn, so that every run writes. The first run moves the archive after the used image
// of a padded HeartGold image; the others grow and shrink it there.
void BM_CliLearnsetOverhaul500(benchmark::State& state)
{
    const auto rom = scratch() + "/heartgold.nds";
    romimage::ImageRecipe recipe;
    recipe.gameCode = "IPKE";
    recipe.members = *romimage::readPersonalMembersCsv(QUILLMARK_SAMPLES_DIR "/hgss_personal.csv", nullptr);
    recipe.tail = romimage::Tail::Padded;
    romimage::writeRomImage(rom, recipe, nullptr);
    std::string sheets[2] = {scratch() + "/learnsets.csv", scratch() + "/overhaul.csv"};
    run({QUILLMARK_CLI_PATH, "export", rom, "--learnsets", "--forms", "-o", sheets[0]});
    {
        std::ifstream in(sheets[0]);
        std::ofstream out(sheets[1]);
        std::string line, last;
        int species = 0, entries = 0;
        auto finish = [&] {
            // "index,dex,name,entry,level,move": 3 entries more where there is room.
            if (last.empty() || entries > 17 || species >= 500)
                return;
            const auto cut = last.find(',', last.find(',', last.find(',') + 1) + 1);
            const auto head = last.substr(0, cut + 1);
            for (int k = 1; k <= 3; ++k)
                out << head << entries + k << ",100," << k << "\r\n";
            ++species;
        };
        std::getline(in, line);
        out << line << '\n';
        while (std::getline(in, line)) {
            if (!last.empty() && line.substr(0, line.find(',')) != last.substr(0, last.find(','))) {
                finish();
                entries = 0;
            }
            out << line << '\n';
            last = line;
            ++entries;
        }
        finish();
    }
    int turn = 1;
    for (auto _ : state)
        run({QUILLMARK_CLI_PATH, "import", rom, sheets[turn++ % 2]});
}

// Sheets as large as an import takes (16 MiB), made of the smallest rows: every row
// but the first gives Bulbasaur again and is refused, so the command ends with 1
// after reading all of them. Time and peak memory must stay linear in the size.
void importSixteenMiB(benchmark::State& state, const std::string& name, const std::string& head,
                      const std::string& row, const std::string& tail)
{
    const auto sheet = scratch() + "/" + name;
    {
        constexpr std::size_t kSize = std::size_t{16} << 20;
        std::ofstream out(sheet, std::ios::binary);
        std::size_t size = head.size();
        out << head;
        for (; size + row.size() + tail.size() <= kSize; size += row.size())
            out << row;
        out << tail << std::string(kSize - size - tail.size(), ' ');  // blanks JSON skips
    }
    long peak = 0;
    for (auto _ : state)
        peak = std::max(peak, run({QUILLMARK_CLI_PATH, "import", image(), sheet, "--dry-run"}, 1));
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
}

void BM_CliImport16MiBCsvOfTinyRows(benchmark::State& state)
{
    importSixteenMiB(state, "tiny.csv", "index\n", "0\n", "");
}

void BM_CliImport16MiBJsonOfSmallObjects(benchmark::State& state)
{
    importSixteenMiB(state, "small.json", "[{\"index\":0}", ",{\"index\":0}", "]");
}

BENCHMARK(BM_CopyWholeImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliExport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliExportLearnsets)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliImportEverySpecies)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliLearnsetOverhaul500)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliImport16MiBCsvOfTinyRows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CliImport16MiBJsonOfSmallObjects)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
