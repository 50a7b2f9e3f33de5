#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quillmark::dialogs {

// The fields of the Windows OPENFILENAMEA record in its original 76-byte form
// (32-bit pointers and handles). Text fields hold the ANSI bytes handed to the
// platform, each with its terminating NUL; nothing here ever points anywhere.
struct OpenFileNameA {
    std::uint32_t lStructSize = 0;
    std::uint32_t hwndOwner = 0;
    std::uint32_t hInstance = 0;
    std::string lpstrFilter;        // name NUL pattern NUL ... NUL
    std::string lpstrCustomFilter;
    std::uint32_t nMaxCustFilter = 0;
    std::uint32_t nFilterIndex = 0; // 1-based; written back by the platform
    std::string lpstrFile;          // in: initial name, out: the chosen path + NUL
    std::uint32_t nMaxFile = 0;     // capacity of lpstrFile in bytes
    std::string lpstrFileTitle;
    std::uint32_t nMaxFileTitle = 0;
    std::string lpstrInitialDir;
    std::string lpstrTitle;
    std::uint32_t Flags = 0;
    std::uint16_t nFileOffset = 0;
    std::uint16_t nFileExtension = 0;
    std::string lpstrDefExt;
    std::uint32_t lCustData = 0;
    std::uint32_t lpfnHook = 0;
    std::string lpTemplateName;
};

// 18 fields of four bytes (numbers, handles and text pointers) and two of two bytes.
inline constexpr std::uint32_t kOpenFileNameSize = 18 * 4 + 2 * 2;
static_assert(kOpenFileNameSize == 76);

inline constexpr std::uint32_t OFN_READONLY = 0x1;
inline constexpr std::uint32_t OFN_OVERWRITEPROMPT = 0x2;
inline constexpr std::uint32_t OFN_HIDEREADONLY = 0x4;
inline constexpr std::uint32_t OFN_PATHMUSTEXIST = 0x800;
inline constexpr std::uint32_t OFN_FILEMUSTEXIST = 0x1000;

// CommDlgExtendedError after a chosen path did not fit lpstrFile.
inline constexpr std::uint32_t FNERR_BUFFERTOOSMALL = 0x3003;

// The contract of GetOpenFileNameA and GetSaveFileNameA: show a modal dialog owned by
// hwndOwner; on a choice write the full path and a NUL at the start of lpstrFile and
// the 1-based chosen filter into nFilterIndex and return nonzero; on cancel or failure
// return 0. A chosen path that does not fit nMaxFile also returns 0, with the size
// the buffer would need in the first two bytes of lpstrFile (markBufferTooSmall) and
// FNERR_BUFFERTOOSMALL from CommDlgExtendedError.
using GetFileNameFunction = std::function<std::int32_t(OpenFileNameA&)>;

struct CommonDialogFunctions {
    GetFileNameFunction getOpenFileName;
    GetFileNameFunction getSaveFileName;
    std::uint32_t instanceHandle = 0;  // the program's instance handle
    // The reason of the last call that returned 0: 0 for a cancel.
    std::function<std::uint32_t()> commDlgExtendedError = {};
};

inline void markBufferTooSmall(OpenFileNameA& record, std::size_t needed)
{
    if (record.lpstrFile.size() < 2)
        record.lpstrFile.resize(2);
    record.lpstrFile[0] = static_cast<char>(needed & 0xFF);
    record.lpstrFile[1] = static_cast<char>((needed >> 8) & 0xFF);
}

} // namespace quillmark::dialogs
