#include "dialogs/clsCommonDialog.h"

#include <gtest/gtest.h>

#include <deque>

using namespace quillmark::dialogs;

namespace {

// Records each call and plays the part of the user: a path to choose, "" to cancel.
struct RecordingPlatform {
    std::deque<std::string> choices;
    std::vector<OpenFileNameA> calls;
    std::uint32_t filterChosen = 1;
    std::uint32_t lastError = 0;

    CommonDialogFunctions functions()
    {
        auto run = [this](OpenFileNameA& record) -> std::int32_t {
            calls.push_back(record);
            const std::string path = choices.empty() ? "" : choices.front();
            if (!choices.empty())
                choices.pop_front();
            lastError = 0;
            if (path.empty())
                return 0;
            if (path.size() + 1 > record.nMaxFile) {
                markBufferTooSmall(record, path.size() + 1);
                lastError = FNERR_BUFFERTOOSMALL;
                return 0;
            }
            record.lpstrFile.replace(0, path.size() + 1, path + '\0');
            record.nFilterIndex = filterChosen;
            return 1;
        };
        return {run, run, 0x400000, [this] { return lastError; }};
    }
};

const std::string kFilter = "NDS ROMs (*.nds)|*.nds";

// A literal with embedded NULs, all of it but the compiler's own terminator.
template <std::size_t N>
std::string bytes(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

TEST(clsCommonDialog, ShowOpenHandsThePlatformTheRecordItExpects)
{
    RecordingPlatform platform;
    platform.choices = {"/roms/diamond.nds"};
    clsCommonDialog dialog(platform.functions());
    EXPECT_EQ(dialog.ShowOpen(42, "Open", "", kFilter, 6148), "/roms/diamond.nds");
    ASSERT_EQ(platform.calls.size(), 1u);
    const auto& call = platform.calls[0];
    EXPECT_EQ(call.lStructSize, 76u);
    EXPECT_EQ(call.hwndOwner, 42u);
    EXPECT_EQ(call.hInstance, 0x400000u);
    EXPECT_EQ(call.lpstrFilter, bytes("NDS ROMs (*.nds)\0*.nds\0\0"));
    EXPECT_EQ(call.lpstrFile, std::string(254, ' ') + '\0');
    EXPECT_EQ(call.nMaxFile, 255u);
    EXPECT_EQ(call.lpstrFileTitle, std::string(254, ' ') + '\0');
    EXPECT_EQ(call.nMaxFileTitle, 255u);
    EXPECT_EQ(call.lpstrInitialDir, std::string(1, '\0'));
    EXPECT_EQ(call.lpstrTitle, bytes("Open\0"));
    EXPECT_EQ(call.Flags, 6148u);
    EXPECT_EQ(call.nFilterIndex, 0u);
    EXPECT_EQ(call.lpstrDefExt, std::string(1, '\0'));
    EXPECT_EQ(dialog.FilterIndex(), 1);
}

TEST(clsCommonDialog, FilterConversion)
{
    EXPECT_EQ(clsCommonDialog::convertFilter(kFilter), bytes("NDS ROMs (*.nds)\0*.nds\0"));
    EXPECT_EQ(clsCommonDialog::convertFilter("A|*.a|"), bytes("A\0*.a\0"));
    EXPECT_EQ(clsCommonDialog::convertFilter(""), std::string(1, '\0'));
}

TEST(clsCommonDialog, CancelKeepsWhatTheLastChoiceLeft)
{
    RecordingPlatform platform;
    platform.choices = {"", "/roms/pearl.nds", ""};
    platform.filterChosen = 2;
    clsCommonDialog dialog(platform.functions());
    EXPECT_EQ(dialog.ShowOpen(0, "Open", "", kFilter, 0), "");
    EXPECT_EQ(dialog.FilterIndex(), 0);
    EXPECT_EQ(dialog.ShowOpen(0, "Open", "", kFilter, 0), "/roms/pearl.nds");
    EXPECT_EQ(dialog.FilterIndex(), 2);
    EXPECT_EQ(dialog.ShowOpen(0, "Open", "", kFilter, 0), "");
    EXPECT_EQ(dialog.FilterIndex(), 2);
    EXPECT_EQ(dialog.LastPath(), "/roms/pearl.nds");
}

TEST(clsCommonDialog, ASecondOpenStartsWhereTheFirstEnded)
{
    RecordingPlatform platform;
    platform.choices = {"/roms/pearl.nds", "/other/x.nds", "/y.nds"};
    platform.filterChosen = 2;
    clsCommonDialog dialog(platform.functions());
    dialog.ShowOpen(0, "Open", "", kFilter, 0);
    dialog.ShowOpen(0, "Open", "", kFilter, 0);
    EXPECT_EQ(platform.calls[1].lpstrInitialDir, std::string("/roms/pearl.nds") + '\0');
    EXPECT_EQ(platform.calls[1].nFilterIndex, 2u) << "the filter chosen before is preselected";
    // A buffer full of the first path is refilled with blanks for the second.
    EXPECT_EQ(platform.calls[1].lpstrFile, std::string(254, ' ') + '\0');
    dialog.ShowOpen(0, "Open", "/start", kFilter, 0);
    EXPECT_EQ(platform.calls[2].lpstrInitialDir, std::string("/start") + '\0');
}

TEST(clsCommonDialog, PathsMustFitTheBuffer)
{
    RecordingPlatform platform;
    std::string fits(254, 'a'), tooLong(255, 'a');
    fits[0] = tooLong[0] = '/';
    platform.choices = {fits, tooLong};
    clsCommonDialog dialog(platform.functions());
    EXPECT_EQ(dialog.ShowOpen(0, "Open", "", kFilter, 0), fits);
    EXPECT_EQ(dialog.ExtendedError(), 0u);
    EXPECT_EQ(dialog.ShowOpen(0, "Open", "", kFilter, 0), "");
    EXPECT_EQ(dialog.ExtendedError(), FNERR_BUFFERTOOSMALL);
    EXPECT_EQ(dialog.NeededBufferSize(), 256u);
    EXPECT_EQ(dialog.LastPath(), fits);
}

TEST(clsCommonDialog, ShowSave)
{
    RecordingPlatform platform;
    platform.choices = {"/out/a.gpl"};
    platform.filterChosen = 3;
    clsCommonDialog dialog(platform.functions());
    auto result = dialog.ShowSave(7, "Save", "abc", "", kFilter, 2);
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, "/out/a.gpl");
    const auto& call = platform.calls[0];
    EXPECT_EQ(call.lpstrFile, "abc" + std::string(125, '\0') + '\0');
    EXPECT_EQ(call.nMaxFile, 128u);
    EXPECT_EQ(call.lpstrDefExt, std::string(".gpl") + '\0');
    EXPECT_EQ(call.lpstrInitialDir, std::string(1, '\0'));
    EXPECT_EQ(dialog.FilterIndex(), 3);
    EXPECT_EQ(dialog.LastPath(), "") << "a save does not change LastPath";

    EXPECT_EQ(dialog.ShowSave(7, "Save", std::string(128, 'n'), "", kFilter, 2), std::string());
    EXPECT_EQ(platform.calls.back().lpstrFile, std::string(128, 'n') + '\0');
    const auto calls = platform.calls.size();
    EXPECT_FALSE(dialog.ShowSave(7, "Save", std::string(129, 'n'), "", kFilter, 2));
    EXPECT_EQ(platform.calls.size(), calls) << "no dialog for an invalid name";
}

} // namespace
