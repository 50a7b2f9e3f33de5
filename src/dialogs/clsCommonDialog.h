#pragma once

#include "dialogs/OpenFileName.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillmark::dialogs {

// The open and save file dialogs of the platform, behind two calls that take and give
// plain text. One object keeps its DialogRecord between calls, so a second dialog on
// the same object starts in the folder and with the filter of the first.
class clsCommonDialog {
public:
    explicit clsCommonDialog(CommonDialogFunctions platform);

    // The chosen path, or "" when the user cancelled or the dialog failed. filter is
    // "name|pattern|name|pattern", the last bar optional. An empty initialDir starts
    // at the path this object returned last.
    std::string ShowOpen(std::uint32_t owner, const std::string& title,
                         const std::string& initialDir, const std::string& filter,
                         std::uint32_t flags);

    // The chosen path or "". Nothing at all when fileName is longer than 128
    // characters: no dialog is shown then.
    std::optional<std::string> ShowSave(std::uint32_t owner, const std::string& title,
                                        const std::string& fileName,
                                        const std::string& initialDir,
                                        const std::string& filter, std::uint32_t flags);

    // The 1-based filter chosen in the last successful dialog; 0 before one.
    std::int32_t FilterIndex() const { return m_lastFilterIndex; }

    const std::string& LastPath() const { return m_lastPath; }

    // Why the last dialog gave no path: 0 for a cancel, FNERR_BUFFERTOOSMALL when the
    // chosen path was longer than the buffer.
    std::uint32_t ExtendedError() const { return m_extendedError; }
    // After FNERR_BUFFERTOOSMALL: the buffer size the chosen path needed, its NUL included.
    std::size_t NeededBufferSize() const;

    // "NDS ROMs (*.nds)|*.nds" -> "NDS ROMs (*.nds)\0*.nds\0".
    static std::string convertFilter(const std::string& filter);

private:
    std::int32_t call(const GetFileNameFunction& function);

    CommonDialogFunctions m_platform;
    OpenFileNameA m_record;
    std::string m_lastPath;
    std::int32_t m_lastFilterIndex = 0;
    std::uint32_t m_extendedError = 0;
};

} // namespace quillmark::dialogs
