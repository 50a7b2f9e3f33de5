// The Windows side of the file services, as the command line meets it: attributes,
// sharing, LockFileEx, replacing by MoveFileEx, and paths that are not ASCII or are
// longer than MAX_PATH. Built and run for Windows only (under wine here).
#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "platform/FileServices.h"
#include "romimage/RomImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <windows.h>

using namespace quillmark;
using namespace quillmark::test;

namespace {

class WindowsFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        romimage::ImageRecipe recipe;
        recipe.records = *romimage::readPersonalCsv(samplesDir() + "/dp_personal.csv", nullptr);
        ASSERT_TRUE(romimage::writeRomImage(rom, recipe, nullptr));
        before = readFile(rom);
    }

    // The exit status of a command run in this process, and what it said on stderr.
    template <class Command>
    std::pair<int, std::string> run(Command command)
    {
        testing::internal::CaptureStderr();
        int status = 0;
        try {
            status = command();
        } catch (const cli::Failure& failure) {
            status = failure.code;
        }
        return {status, testing::internal::GetCapturedStderr()};
    }

    std::int64_t hpOf(int index) const { return 29448712 + 44 * index; }

    TempDir dir;
    std::string rom = dir.file("rom.nds");
    Bytes before;
};

TEST_F(WindowsFiles, AReadOnlyAttributeIsNamedAndNothingIsWritten)
{
    ASSERT_TRUE(SetFileAttributesW(platform::nativePath(rom).c_str(), FILE_ATTRIBUTE_READONLY));
    const auto [status, said] = run([&] { return cli::runSet(rom, "0", {"hp=1"}, false); });
    SetFileAttributesW(platform::nativePath(rom).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(status, cli::BadRom);
    EXPECT_NE(said.find("is read-only, so nothing was written"), std::string::npos) << said;
    EXPECT_EQ(readFile(rom), before);
}

TEST_F(WindowsFiles, AFileHeldWithoutSharingIsSaidToBeInUse)
{
    const HANDLE held = CreateFileW(platform::nativePath(rom).c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto [status, said] = run([&] { return cli::runGet(rom, "0"); });
    CloseHandle(held);
    EXPECT_EQ(status, cli::BadRom);
    EXPECT_NE(said.find("File already open: another program"), std::string::npos) << said;
}

// LockFileEx keeps two writers apart: the second waits, and goes on once let go.
TEST_F(WindowsFiles, WritersWaitForEachOthersLock)
{
    auto holder = std::make_unique<OtherWriter>(rom);
    ASSERT_TRUE(holder->holds());
    int retries = 0;
    platform::setLockRetryObserver([&] {
        if (++retries == 2)
            holder->letGo();
    });
    auto [status, said] = run([&] { return cli::runSet(rom, "0", {"hp=1"}, false); });
    EXPECT_EQ(status, cli::Ok) << said;
    EXPECT_EQ(retries, 2);
    EXPECT_EQ(readFile(rom)[static_cast<std::size_t>(hpOf(0))], 1);

    holder = std::make_unique<OtherWriter>(rom);
    platform::setLockRetryObserver(nullptr);
    std::tie(status, said) = run([&] { return cli::runSet(rom, "0", {"hp=2"}, false); });
    EXPECT_EQ(status, cli::BadRom);
    EXPECT_NE(said.find("File already open"), std::string::npos) << said;
    EXPECT_EQ(readFile(rom)[static_cast<std::size_t>(hpOf(0))], 1);
}

// An existing sheet is replaced whole; a ROM, by name or by its bytes, never.
TEST_F(WindowsFiles, AnOutputReplacesASheetAndNeverARom)
{
    const auto sheet = dir.file("species.csv");
    writeFile(sheet, Bytes(10, 'x'));
    cli::writeOutput(sheet, "index,hp\r\n0,1\r\n", rom);
    EXPECT_EQ(readFile(sheet), Bytes(std::string_view("index,hp\r\n0,1\r\n").begin(),
                                     std::string_view("index,hp\r\n0,1\r\n").end()));
    for (const char* name : {"copy.srl", "copy.dat"}) {
        const auto copy = dir.file(name);
        writeFile(copy, before);
        const auto [status, said] = run([&] {
            cli::writeOutput(copy, "index\r\n", rom, true);
            return 0;
        });
        EXPECT_EQ(status, cli::BadInput) << name;
        EXPECT_EQ(readFile(copy), before) << name;
    }
}

// Accents, CJK and a path past MAX_PATH, given in UTF-8 as the command line passes
// them on.
TEST_F(WindowsFiles, PathsWithAccentsCjkAndPastMaxPath)
{
    auto folder = std::filesystem::path(platform::nativePath(dir.path())) / L"p\u00E9 \u00FCn\u00EF \u65E5\u672C";
    std::filesystem::create_directories(folder);
    const auto accented = (folder / L"rom.nds").u8string();
    std::filesystem::path deep = folder;
    while (deep.wstring().size() < 300)
        deep /= L"a-folder-name-to-make-the-path-long";
    std::filesystem::create_directories(L"\\\\?\\" + deep.wstring());
    const auto longPath = (deep / L"rom.nds").u8string();
    for (const auto& target : {std::string(accented.begin(), accented.end()),
                               std::string(longPath.begin(), longPath.end())}) {
        SCOPED_TRACE(target.size());
        std::filesystem::copy_file(platform::nativePath(rom), platform::nativePath(target));
        const auto [status, said] = run([&] { return cli::runSet(target, "Garchomp", {"hp=110"}, false); });
        EXPECT_EQ(status, cli::Ok) << said;
        auto opened = platform::fileServices().open(target, platform::FileAccess::Read);
        ASSERT_TRUE(opened);
        EXPECT_EQ(*(*opened)->readByte(hpOf(444)), 110);
    }
    EXPECT_GT(longPath.size(), 260u);
}

// The null device and the console are written into; the other device names, with an
// extension or not, are refused for what they are.
TEST_F(WindowsFiles, DeviceNamesAreDevices)
{
    for (const char* device : {"NUL", "nul"}) {
        cli::ExportOptions options;
        options.output = device;
        options.format = "csv";
        const auto [status, said] = run([&] { return cli::runExport(rom, options); });
        EXPECT_EQ(status, cli::Ok) << device << said;
    }
    for (const char* reserved : {"aux.csv", "COM1.csv", "prn.json", "lpt9.csv"}) {
        cli::ExportOptions options;
        options.output = dir.file(reserved);
        const auto [status, said] = run([&] { return cli::runExport(rom, options); });
        EXPECT_EQ(status, cli::BadInput) << reserved;
        EXPECT_NE(said.find("is a name Windows keeps for a device"), std::string::npos) << said;
    }
}

// Excel keeps a sheet it has open from being read or replaced.
TEST_F(WindowsFiles, ASheetHeldWithoutSharingIsSaidToBeOpen)
{
    const auto sheet = dir.file("held.csv");
    writeFile(sheet, Bytes{'i', 'n', 'd', 'e', 'x', '\n'});
    const HANDLE held = CreateFileW(platform::nativePath(sheet).c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto [status, said] = run([&] { return cli::runImport(rom, sheet, "", true); });
    cli::ExportOptions options;
    options.output = sheet;
    const auto [exportStatus, exportSaid] = run([&] { return cli::runExport(rom, options); });
    CloseHandle(held);
    EXPECT_EQ(status, cli::BadInput);
    EXPECT_NE(said.find("held.csv is open in another program"), std::string::npos) << said;
    EXPECT_EQ(exportStatus, cli::BadInput);
    EXPECT_NE(exportSaid.find("held.csv is open in another program"), std::string::npos) << exportSaid;
}

} // namespace
