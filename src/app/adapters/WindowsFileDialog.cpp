#include "app/adapters/WindowsFileDialog.h"

#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

namespace quillmark::app {

namespace {

std::uint32_t g_extendedError = 0;

// UTF-8 bytes to UTF-16, NULs inside (the filter list) included.
std::wstring wide(const std::string& text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

std::string utf8(const wchar_t* text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    if (length > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
    return out;
}

// A text field as given: its bytes up to the first NUL.
std::wstring field(const std::string& text) { return wide(text.substr(0, text.find('\0'))); }

std::int32_t runDialog(dialogs::OpenFileNameA& record, bool save)
{
    g_extendedError = 0;
    const std::wstring filter = wide(record.lpstrFilter);
    const std::wstring title = field(record.lpstrTitle);
    const std::wstring initialDir = field(record.lpstrInitialDir);
    const std::wstring defaultExt = field(record.lpstrDefExt);
    // Room for any path the system can give; the record's own limit is checked after.
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring initial = field(record.lpstrFile);
    std::copy(initial.begin(), initial.end(), file.begin());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(record.hwndOwner));
    dialog.hInstance = GetModuleHandleW(nullptr);
    dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = record.nFilterIndex;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.Flags = record.Flags | OFN_EXPLORER;
    dialog.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) {
        g_extendedError = CommDlgExtendedError();
        return 0;
    }

    const std::string path = utf8(file.data());
    // The buffer holds nMaxFile bytes, the NUL included; a longer path is refused.
    if (path.size() + 1 > record.nMaxFile) {
        dialogs::markBufferTooSmall(record, path.size() + 1);
        g_extendedError = FNERR_BUFFERTOOSMALL;  // the system's own name (cderr.h) of the same code
        return 0;
    }
    if (record.lpstrFile.size() < path.size() + 1)
        record.lpstrFile.resize(path.size() + 1, '\0');
    record.lpstrFile.replace(0, path.size() + 1, path + '\0');
    const auto name = path.find_last_of("\\/");
    record.nFileOffset = static_cast<std::uint16_t>(name == std::string::npos ? 0 : name + 1);
    const auto dot = path.find_last_of('.');
    record.nFileExtension = static_cast<std::uint16_t>(dot == std::string::npos || dot < record.nFileOffset ? 0 : dot + 1);
    record.nFilterIndex = dialog.nFilterIndex;
    return 1;
}

std::int32_t windowsGetOpenFileName(dialogs::OpenFileNameA& record) { return runDialog(record, false); }
std::int32_t windowsGetSaveFileName(dialogs::OpenFileNameA& record) { return runDialog(record, true); }

} // namespace

dialogs::CommonDialogFunctions windowsCommonDialogFunctions()
{
    return {&windowsGetOpenFileName, &windowsGetSaveFileName,
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr))),
            [] { return g_extendedError; }};
}

} // namespace quillmark::app
