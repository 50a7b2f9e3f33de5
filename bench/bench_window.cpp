// The window's two costly moments, in-process on the offscreen platform: a species
// switch (selection change to all twenty editors filled) and Open ROM.
#include "app/Form1.h"
#include "platform/MessageBoxService.h"
#include "romimage/RomImage.h"

#include <QApplication>
#include <QListWidget>

#include <benchmark/benchmark.h>

#include <memory>
#include <unistd.h>

namespace {

using namespace quillmark;

struct SilentMessages : platform::MessageBoxService {
    void show(std::string_view, std::optional<std::string>, platform::MessageIcon) override {}
    // A switch with edits pending is not what is timed: nothing is set aside.
    platform::SaveChoice askToSave(std::string_view) override { return platform::SaveChoice::Discard; }
};

std::string g_rom;

dialogs::CommonDialogFunctions choosing(const std::string& path)
{
    auto choose = [path](dialogs::OpenFileNameA& record) -> std::int32_t {
        record.lpstrFile.replace(0, path.size() + 1, path + '\0');
        record.nFilterIndex = 1;
        return 1;
    };
    return {choose, choose, 0};
}

// Species switches, with or without More Data open (it follows every switch).
void speciesSwitches(benchmark::State& state, bool moreData)
{
    SilentMessages messages;
    app::Form1 window(&messages, choosing(g_rom));
    window.mnuOpen_Click();
    auto* list = window.control<QListWidget>("pkmnlst");
    if (moreData) {
        list->setCurrentRow(0);
        window.mnuMoreData_Click();
    }
    int row = 0;
    for (auto _ : state) {
        row = (row + 37) % 493;
        list->setCurrentRow(row);
    }
}

void BM_SpeciesSwitch(benchmark::State& state) { speciesSwitches(state, false); }
void BM_SpeciesSwitchWithMoreDataOpen(benchmark::State& state) { speciesSwitches(state, true); }

// From the menu item to the window shown with the species' values, the first time.
void BM_OpenMoreData(benchmark::State& state)
{
    SilentMessages messages;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<app::Form1>(&messages, choosing(g_rom));
        window->mnuOpen_Click();
        window->control<QListWidget>("pkmnlst")->setCurrentRow(444);
        state.ResumeTiming();
        window->mnuMoreData_Click();
        QApplication::processEvents();
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

void BM_OpenRom(benchmark::State& state)
{
    SilentMessages messages;
    app::Form1 window(&messages, choosing(g_rom));
    for (auto _ : state)
        window.mnuOpen_Click();
}

void BM_WindowConstruction(benchmark::State& state)
{
    SilentMessages messages;
    for (auto _ : state) {
        app::Form1 window(&messages, choosing(g_rom));
        benchmark::DoNotOptimize(&window);
    }
}

BENCHMARK(BM_SpeciesSwitch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpeciesSwitchWithMoreDataOpen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenMoreData)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRom)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowConstruction)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_rom = "/tmp/quillmark-bench-window-" + std::to_string(::getpid()) + ".nds";
    romimage::ImageRecipe recipe;
    recipe.fileSize = 64 << 20;
    romimage::writeRomImage(g_rom, recipe, nullptr);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ::unlink(g_rom.c_str());
    return 0;
}
