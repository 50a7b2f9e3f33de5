#pragma once

#include "app/Form1.h"
#include "romimage/RomImage.h"

#include "TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <deque>
#include <gtest/gtest.h>
#include <memory>

// The Windows build runs the same tests under wine; a test or part that needs what
// only POSIX systems have (FIFOs, file modes, a shell to run quillmark-cli in) says so
// by name and skips there.
#ifdef _WIN32
#define SKIP_ON_WINDOWS(reason) GTEST_SKIP() << "Windows: " << reason
#else
#define SKIP_ON_WINDOWS(reason) static_cast<void>(0)
#endif

namespace quillmark::test {

// Stands in for GetOpenFileNameA: answers each call with the next scripted path
// ("" cancels) and keeps what it was handed.
struct ScriptedFileDialog {
    std::deque<std::string> answers;
    std::vector<dialogs::OpenFileNameA> calls;
    std::uint32_t lastError = 0;

    dialogs::CommonDialogFunctions functions()
    {
        auto answer = [this](dialogs::OpenFileNameA& record) -> std::int32_t {
            calls.push_back(record);
            if (answers.empty())
                return 0;
            const std::string path = answers.front();
            answers.pop_front();
            lastError = 0;
            if (path.empty())
                return 0;
            if (path.size() + 1 > record.nMaxFile) {
                dialogs::markBufferTooSmall(record, path.size() + 1);
                lastError = dialogs::FNERR_BUFFERTOOSMALL;
                return 0;
            }
            record.lpstrFile.replace(0, path.size() + 1, path + '\0');
            record.nFilterIndex = 1;
            return 1;
        };
        return {answer, answer, 0x400000, [this] { return lastError; }};
    }
};

// A main window with recording message boxes and a scripted file dialog.
class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<app::Form1>(&messages, dialog.functions());
    }

    std::string makeRom(const std::string& name, const std::string& code,
                        std::vector<romimage::Record> records = {}, std::int64_t size = 0,
                        romimage::Layout layout = romimage::Layout::Retail,
                        romimage::ImageLayout* made = nullptr)
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = code;
        recipe.layout = layout;
        recipe.records = std::move(records);
        recipe.fileSize = size;
        const auto path = dir.file(name);
        std::string error;
        EXPECT_TRUE(romimage::writeRomImage(path, recipe, &error, made)) << error;
        return path;
    }

    static std::vector<romimage::Record> realRecords(const char* file = "dp_personal.csv")
    {
        auto records = romimage::readPersonalCsv(samplesDir() + "/" + file, nullptr);
        EXPECT_TRUE(records.has_value());
        return records.value_or(std::vector<romimage::Record>{});
    }

    void open(const std::string& path)
    {
        dialog.answers.push_back(path);
        window->mnuOpen_Click();
    }

    // The title as the window shows it: "[*]" is the pending mark, "*" while edits wait.
    static QString shownTitle(const QWidget* w)
    {
        auto title = w->windowTitle();
        return title.replace("[*]", w->isWindowModified() ? "*" : "");
    }

    void showActive()
    {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    template <class T = QWidget>
    T* ctl(const char* name) const
    {
        auto* widget = window->control<T>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QListWidget* list() const { return ctl<QListWidget>("pkmnlst"); }
    QLineEdit* text(const char* name) const { return ctl<QLineEdit>(name); }
    QComboBox* combo(const char* name) const { return ctl<QComboBox>(name); }

    std::vector<std::string> messageTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& m : messages.shown)
            texts.push_back(m.text);
        return texts;
    }

    TempDir dir;
    RecordingMessageBox messages;
    ScriptedFileDialog dialog;
    std::unique_ptr<app::Form1> window;
};

} // namespace quillmark::test
