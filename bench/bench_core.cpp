// The windowless load and save of one species against the cost of reading and
// writing the whole image, as editors that unpack and rebuild the ROM must.
#include "rom/RomIdentification.h"
#include "romimage/RomImage.h"
#include "platform/FileServices.h"
#include "species/MoveArchives.h"
#include "species/RomDocument.h"
#include "species/SpeciesEditor.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace quillmark;

constexpr std::int64_t kMiB = 1 << 20;

// One sparse image per size, its table in the middle, made once per run.
const std::string& imageOfSize(std::int64_t mib)
{
    static std::map<std::int64_t, std::string> images;
    auto& path = images[mib];
    if (path.empty()) {
        path = "/tmp/quillmark-bench-" + std::to_string(::getpid()) + "-" + std::to_string(mib) + ".nds";
        romimage::ImageRecipe recipe;
        recipe.tableBase = mib * kMiB / 2;
        recipe.fileSize = mib * kMiB;
        romimage::writeRomImage(path, recipe, nullptr);
        std::atexit([] {
            for (const auto& [size, file] : images)
                ::unlink(file.c_str());
        });
    }
    return path;
}


// What Open ROM keeps of the image: a load and a save check the file against it.
species::RomFingerprint openedRom(const std::string& path)
{
    return {"ADAE", *species::locateSpeciesTable(path, "ADAE")};
}

// What Open ROM does with a chosen file: its game code, then the walk of the ROM's
// file system to the species archive.
void BM_OpenRom(benchmark::State& state)
{
    const auto& path = imageOfSize(state.range(0));
    for (auto _ : state) {
        auto identity = rom::identifyRom(path);
        auto table = species::locateSpeciesTable(path, identity->gameCode);
        benchmark::DoNotOptimize(table);
    }
}

void BM_LoadSpecies(benchmark::State& state)
{
    const auto& path = imageOfSize(state.range(0));
    species::RomDocument document(path, openedRom(path));
    int index = 0;
    for (auto _ : state) {
        auto values = document.load(index, species::partsOf<species::SpeciesRecordsPart>());
        benchmark::DoNotOptimize(values);
        index = (index + 97) % species::kSpeciesCount;
    }
}

void BM_SaveSpecies(benchmark::State& state)
{
    const auto& path = imageOfSize(state.range(0));
    species::RomDocument document(path, openedRom(path));
    const auto loaded = document.load(42, species::partsOf<species::SpeciesRecordsPart>())->record;
    for (auto _ : state) {
        auto saved = document.save(42, {loaded.values, {}});
        benchmark::DoNotOptimize(saved);
    }
}

void BM_LoadAndSaveSpecies(benchmark::State& state)
{
    const auto& path = imageOfSize(state.range(0));
    species::RomDocument document(path, openedRom(path));
    for (auto _ : state) {
        auto loaded = document.load(300, species::partsOf<species::SpeciesRecordsPart>());
        auto saved = document.save(300, {loaded->record.values, {}});
        benchmark::DoNotOptimize(saved);
    }
}

// Every member of the level-up and evolution archives, as the moves window and an
// export read them.
void BM_ReadMoveArchives(benchmark::State& state)
{
    const auto& path = imageOfSize(state.range(0));
    for (auto _ : state) {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        auto read = species::readMoveArchives(**file, "ADAE");
        benchmark::DoNotOptimize(read);
    }
}

// A list one entry longer, and back: the archive rewritten from the member on.
void BM_SaveLevelUpMoves(benchmark::State& state)
{
    const auto& path = imageOfSize(state.range(0));
    bool longer = true;
    for (auto _ : state) {
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        (void)(*file)->lockForWriting(species::kLockWait);
        const auto table = *species::locateSpeciesTable(**file, "ADAE");
        species::RomDocument document(path, {"ADAE", table}, std::move(*file));
        const auto& read = **document.read<species::MoveArchivesPart>();
        auto list = read.levelUpMoves[445];
        if (longer)
            list.push_back({49, 89});
        else
            list.pop_back();
        longer = !longer;
        auto written = document.apply({{}, {{{445, list}}, {}}});
        benchmark::DoNotOptimize(written);
    }
}

// 200 species learn 3 moves more on a 128 MiB Platinum image: the learnset archive
// moves after the used image. Each run starts from the image as made (the header and
// the archive's file table entry put back, untimed).
void BM_MoveLevelUpArchive(benchmark::State& state)
{
    const std::string path = "/tmp/quillmark-bench-move-" + std::to_string(::getpid()) + ".nds";
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    recipe.members = *romimage::readPersonalMembersCsv(QUILLMARK_SAMPLES_DIR "/pt_personal.csv", nullptr);
    recipe.fileSize = 128 * kMiB;
    romimage::ImageLayout layout;
    romimage::writeRomImage(path, recipe, nullptr, &layout);
    std::vector<std::uint8_t> pristine(0x4000 + 0x4000);  // the header and the file tables
    const std::vector<std::uint8_t> padding(64 * 1024, 0);  // where the archive moves to
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        (void)(*file)->read(0, pristine);
    }
    for (auto _ : state) {
        state.PauseTiming();
        {
            auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
            (void)(*file)->write(0, pristine);
            (void)(*file)->write(layout.usedSize, padding);
        }
        state.ResumeTiming();
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        (void)(*file)->lockForWriting(species::kLockWait);
        const auto table = *species::locateSpeciesTable(**file, "CPUE");
        species::RomDocument document(path, {"CPUE", table}, std::move(*file));
        const auto& read = **document.read<species::MoveArchivesPart>();
        species::MoveEdits edits;
        for (int member = 1; edits.levelUp.size() < 200; ++member) {
            auto list = read.levelUpMoves[static_cast<std::size_t>(member)];
            if (list.empty() || list.size() > 17)
                continue;
            list.insert(list.end(), {{100, 1}, {100, 2}, {100, 3}});
            edits.levelUp[member] = list;
        }
        const auto written = document.apply({{}, edits});
        if (written.error)
            state.SkipWithError(written.error->detail.c_str());
    }
    ::unlink(path.c_str());
}

// A 128 MiB HeartGold image, made once: its overlay 1 stored compressed.
const std::string& heartGoldImage()
{
    static const std::string path = [] {
        const auto p = "/tmp/quillmark-bench-hg-" + std::to_string(::getpid()) + ".nds";
        romimage::ImageRecipe recipe;
        recipe.gameCode = "IPKE";
        recipe.members = *romimage::readPersonalMembersCsv(QUILLMARK_SAMPLES_DIR "/hgss_personal.csv", nullptr);
        recipe.fileSize = 128 * kMiB;
        romimage::writeRomImage(p, recipe, nullptr);
        std::atexit([] { ::unlink(("/tmp/quillmark-bench-hg-" + std::to_string(::getpid()) + ".nds").c_str()); });
        return p;
    }();
    return path;
}

species::RomDocument heldDocument(const std::string& path, const char* code)
{
    auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
    (void)(*file)->lockForWriting(species::kLockWait);
    const auto table = *species::locateSpeciesTable(**file, code);
    return species::RomDocument(path, {code, table}, std::move(*file));
}

// The egg move table and both tutor tables, overlay 1 decompressed included.
void BM_ReadEggMovesAndTutors(benchmark::State& state)
{
    const auto& path = heartGoldImage();
    for (auto _ : state) {
        auto document = heldDocument(path, "IPKE");
        auto eggs = document.read<species::EggMovesPart>();
        auto tutors = document.read<species::TutorMovesPart>();
        benchmark::DoNotOptimize(eggs);
        benchmark::DoNotOptimize(tutors);
    }
}

// Dratini's first egg move changed and back, in turn: open, read, check, write.
void BM_SaveEggMoves(benchmark::State& state)
{
    const auto& path = heartGoldImage();
    bool other = true;
    for (auto _ : state) {
        auto document = heldDocument(path, "IPKE");
        const auto& table = (*document.read<species::EggMovesPart>())->table;
        auto dratini = table.moves.at(147);
        dratini[0] = other ? 245 : 113;
        other = !other;
        const auto written = document.apply({.eggMoves = {{147, dratini}}});
        if (written.error)
            state.SkipWithError(written.error->detail.c_str());
    }
}

// The floor of an unpack-and-rebuild editor: the whole image read once and written once.
void BM_ReadAndWriteWholeImage(benchmark::State& state)
{
    const auto& path = imageOfSize(state.range(0));
    std::vector<char> buffer(static_cast<std::size_t>(state.range(0) * kMiB));
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDWR);
        std::size_t done = 0;
        while (done < buffer.size()) {
            const auto n = ::pread(fd, buffer.data() + done, buffer.size() - done, static_cast<off_t>(done));
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        for (std::size_t at = 0; at < buffer.size();) {
            const auto n = ::pwrite(fd, buffer.data() + at, buffer.size() - at, static_cast<off_t>(at));
            if (n <= 0)
                break;
            at += static_cast<std::size_t>(n);
        }
        ::close(fd);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) * kMiB * 2);
}

BENCHMARK(BM_OpenRom)->Arg(16)->Arg(64)->Arg(512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadSpecies)->Arg(16)->Arg(64)->Arg(512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveSpecies)->Arg(16)->Arg(64)->Arg(512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadAndSaveSpecies)->Arg(16)->Arg(64)->Arg(512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadMoveArchives)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveLevelUpMoves)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveLevelUpArchive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadEggMovesAndTutors)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveEggMoves)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndWriteWholeImage)->Arg(16)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
