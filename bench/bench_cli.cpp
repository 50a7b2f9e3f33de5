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

// Two 128 MiB Platinum images, every block written out, the second after a learnset
// overhaul that moved the archive after the used image: what diff must read, against
// cmp of the same two files.
const std::pair<std::string, std::string>& overhauledPair()
{
    static const std::pair<std::string, std::string> pair = [] {
        const auto before = scratch() + "/platinum-before.nds", after = scratch() + "/platinum-after.nds";
        romimage::ImageRecipe recipe;
        recipe.gameCode = "CPUE";
        recipe.members = *romimage::readPersonalMembersCsv(QUILLMARK_SAMPLES_DIR "/pt_personal.csv", nullptr);
        recipe.fileSize = std::int64_t{128} << 20;
        recipe.tail = romimage::Tail::Padded;
        romimage::writeRomImage(before, recipe, nullptr);
        std::fstream file(before, std::ios::binary | std::ios::in | std::ios::out);
        std::vector<char> piece(std::size_t{1} << 20);
        for (std::int64_t at = 0; at < recipe.fileSize; at += static_cast<std::int64_t>(piece.size())) {
            file.seekg(at);
            file.read(piece.data(), static_cast<std::streamsize>(piece.size()));
            file.seekp(at);
            file.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        }
        file.close();
        run({"/bin/cp", before, after});
        const auto sheet = scratch() + "/platinum-learnsets.csv", overhaul = scratch() + "/platinum-overhaul.csv";
        run({QUILLMARK_CLI_PATH, "export", after, "--learnsets", "-o", sheet});
        std::ifstream in(sheet);
        std::ofstream out(overhaul);
        std::string line, previous;
        std::getline(in, line);
        out << line << '\n';
        // Every species' last entry is given twice more, at level 100.
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const auto index = line.substr(0, line.find(','));
            if (!previous.empty() && previous.substr(0, previous.find(',')) != index) {
                const auto cut = previous.rfind(',', previous.rfind(',', previous.rfind(',') - 1) - 1);
                const int entry = std::stoi(previous.substr(cut + 1, previous.find(',', cut + 1) - cut - 1));
                const auto head = previous.substr(0, cut + 1), move = previous.substr(previous.rfind(',') + 1);
                if (entry <= 18)
                    out << head << entry + 1 << ",100," << move << '\n' << head << entry + 2 << ",100," << move << '\n';
            }
            out << line << '\n';
            previous = line;
        }
        run({QUILLMARK_CLI_PATH, "import", after, overhaul});
        return std::pair{before, after};
    }();
    return pair;
}

// cmp stops at the first byte that differs (and -l writes nothing to /dev/null):
// against a copy of itself it reads every byte of both, as diff and --bps must.
void BM_Cmp128MiB(benchmark::State& state)
{
    const auto& before = overhauledPair().first;
    const auto same = scratch() + "/platinum-same.nds";
    run({"/bin/cp", before, same});
    for (auto _ : state)
        run({"/usr/bin/cmp", before, same});
}

void BM_Diff128MiB(benchmark::State& state)
{
    const auto& [before, after] = overhauledPair();
    for (auto _ : state)
        run({QUILLMARK_CLI_PATH, "diff", before, after});
}

void BM_DiffBps128MiB(benchmark::State& state)
{
    const auto& [before, after] = overhauledPair();
    const auto patch = scratch() + "/overhaul.bps";
    for (auto _ : state)
        run({QUILLMARK_CLI_PATH, "diff", before, after, "--bps", patch});
    std::ifstream size(patch, std::ios::binary | std::ios::ate);
    state.counters["patch_KiB"] = static_cast<double>(size.tellg()) / 1024;
}

BENCHMARK(BM_CopyWholeImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Cmp128MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Diff128MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DiffBps128MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliExport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliExportLearnsets)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliImportEverySpecies)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliLearnsetOverhaul500)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliImport16MiBCsvOfTinyRows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CliImport16MiBJsonOfSmallObjects)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
