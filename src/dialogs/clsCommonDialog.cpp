#include "dialogs/clsCommonDialog.h"

#include <array>

namespace quillmark::dialogs {

namespace {

constexpr std::uint32_t kOpenBufferSize = 255;  // 254 blanks and the NUL of the call
constexpr std::size_t kSaveBufferSize = 128;

// The eight text fields, for converting them all alike around the call.
std::array<std::string OpenFileNameA::*, 8> textFields()
{
    return {&OpenFileNameA::lpstrFilter,   &OpenFileNameA::lpstrCustomFilter,
            &OpenFileNameA::lpstrFile,     &OpenFileNameA::lpstrFileTitle,
            &OpenFileNameA::lpstrInitialDir, &OpenFileNameA::lpstrTitle,
            &OpenFileNameA::lpstrDefExt,   &OpenFileNameA::lpTemplateName};
}

std::string beforeFirstNul(const std::string& text) { return text.substr(0, text.find('\0')); }

} // namespace

clsCommonDialog::clsCommonDialog(CommonDialogFunctions platform) : m_platform(std::move(platform))
{
}

std::string clsCommonDialog::convertFilter(const std::string& filter)
{
    std::string converted = filter;
    for (auto& c : converted) {
        if (c == '|')
            c = '\0';
    }
    if (converted.empty() || converted.back() != '\0')
        converted += '\0';
    return converted;
}

std::int32_t clsCommonDialog::call(const GetFileNameFunction& function)
{
    // Text is handed over as ANSI bytes (UTF-8 here) with a NUL added to each field,
    // and taken back at its full length without that NUL.
    OpenFileNameA ansi = m_record;
    for (auto field : textFields())
        (ansi.*field) += '\0';
    const std::int32_t result = function ? function(ansi) : 0;
    m_extendedError = result == 0 && m_platform.commDlgExtendedError ? m_platform.commDlgExtendedError() : 0;
    for (auto field : textFields()) {
        auto& text = ansi.*field;
        if (!text.empty())
            text.pop_back();
    }
    m_record = std::move(ansi);
    return result;
}

std::size_t clsCommonDialog::NeededBufferSize() const
{
    if (m_extendedError != FNERR_BUFFERTOOSMALL || m_record.lpstrFile.size() < 2)
        return 0;
    return static_cast<unsigned char>(m_record.lpstrFile[0]) |
           static_cast<std::size_t>(static_cast<unsigned char>(m_record.lpstrFile[1])) << 8;
}

std::string clsCommonDialog::ShowOpen(std::uint32_t owner, const std::string& title,
                                      const std::string& initialDir, const std::string& filter,
                                      std::uint32_t flags)
{
    m_record.lStructSize = kOpenFileNameSize;
    m_record.hwndOwner = owner;
    m_record.hInstance = m_platform.instanceHandle;
    m_record.lpstrFilter = convertFilter(filter);
    m_record.lpstrFile = std::string(kOpenBufferSize - 1, ' ');
    m_record.nMaxFile = kOpenBufferSize;
    m_record.lpstrFileTitle = std::string(kOpenBufferSize - 1, ' ');
    m_record.nMaxFileTitle = kOpenBufferSize;
    m_record.lpstrInitialDir = initialDir.empty() ? m_lastPath : initialDir;
    m_record.lpstrTitle = title;
    m_record.Flags = flags;

    std::string path;
    if (call(m_platform.getOpenFileName) != 0)
        path = beforeFirstNul(m_record.lpstrFile);
    if (!path.empty()) {
        m_lastPath = path;
        m_lastFilterIndex = static_cast<std::int32_t>(m_record.nFilterIndex);
    }
    return path;
}

std::optional<std::string> clsCommonDialog::ShowSave(std::uint32_t owner, const std::string& title,
                                                     const std::string& fileName,
                                                     const std::string& initialDir,
                                                     const std::string& filter,
                                                     std::uint32_t flags)
{
    if (fileName.size() > kSaveBufferSize)
        return std::nullopt;
    m_record.lStructSize = kOpenFileNameSize;
    m_record.hwndOwner = owner;
    m_record.hInstance = m_platform.instanceHandle;
    m_record.lpstrFilter = convertFilter(filter);
    m_record.lpstrFile = fileName + std::string(kSaveBufferSize - fileName.size(), '\0');
    m_record.nMaxFile = kSaveBufferSize;
    m_record.lpstrInitialDir = initialDir;
    m_record.lpstrTitle = title;
    m_record.Flags = flags;
    m_record.lpstrDefExt = ".gpl";

    if (call(m_platform.getSaveFileName) == 0)
        return std::string();
    m_lastFilterIndex = static_cast<std::int32_t>(m_record.nFilterIndex);
    return beforeFirstNul(m_record.lpstrFile);
}

} // namespace quillmark::dialogs
