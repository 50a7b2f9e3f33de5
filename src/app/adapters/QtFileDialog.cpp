#include "app/adapters/QtFileDialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

namespace quillmark::app {

namespace {

// CommDlgExtendedError of the last dialog; dialogs run on the one UI thread.
std::uint32_t g_extendedError = 0;

using dialogs::OpenFileNameA;

// Text fields arrive as ANSI bytes (UTF-8 here) ending in a NUL.
QString fromAnsi(const std::string& bytes)
{
    return QString::fromUtf8(bytes.c_str());
}

// "name\0pattern\0name\0pattern\0\0" -> Qt's "name (pattern)" filters.
QStringList nameFilters(const std::string& list)
{
    QStringList filters;
    std::size_t at = 0;
    while (at < list.size() && list[at] != '\0') {
        const auto nameEnd = list.find('\0', at);
        if (nameEnd == std::string::npos)
            break;
        const auto patternEnd = list.find('\0', nameEnd + 1);
        if (patternEnd == std::string::npos)
            break;
        QString name = QString::fromUtf8(list.substr(at, nameEnd - at));
        QString patterns = QString::fromUtf8(list.substr(nameEnd + 1, patternEnd - nameEnd - 1));
        patterns.replace(';', ' ');
        if (!name.endsWith('(' + patterns + ')'))
            name += " (" + patterns + ')';
        filters.append(name);
        at = patternEnd + 1;
    }
    return filters;
}

std::int32_t runDialog(OpenFileNameA& record, bool save)
{
    QWidget* owner = record.hwndOwner ? QWidget::find(static_cast<WId>(record.hwndOwner)) : nullptr;
    QFileDialog dialog(owner, fromAnsi(record.lpstrTitle));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !(record.Flags & dialogs::OFN_FILEMUSTEXIST)
                           ? QFileDialog::AnyFile
                           : QFileDialog::ExistingFile);
    if (save && !(record.Flags & dialogs::OFN_OVERWRITEPROMPT))
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (QString suffix = fromAnsi(record.lpstrDefExt); !suffix.isEmpty()) {
        if (suffix.startsWith('.'))
            suffix.remove(0, 1);
        dialog.setDefaultSuffix(suffix);
    }

    const QStringList filters = nameFilters(record.lpstrFilter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const auto index = static_cast<qsizetype>(record.nFilterIndex);
        dialog.selectNameFilter(filters.at(index >= 1 && index <= filters.size() ? index - 1 : 0));
    }

    // The initial folder may name a file (the last path chosen): start beside it.
    const QString initial = fromAnsi(record.lpstrInitialDir);
    const QFileInfo initialInfo(initial);
    if (!initial.isEmpty() && initialInfo.isFile()) {
        dialog.setDirectory(initialInfo.absolutePath());
        dialog.selectFile(initialInfo.fileName());
    } else if (!initial.isEmpty()) {
        dialog.setDirectory(initial);
    }
    if (save) {
        const QString name = fromAnsi(record.lpstrFile);
        if (!name.trimmed().isEmpty())
            dialog.selectFile(name);
    }

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return 0;
    const QString chosen = dialog.selectedFiles().constFirst();
    if ((record.Flags & dialogs::OFN_PATHMUSTEXIST) && !QFileInfo(chosen).dir().exists())
        return 0;
    // Any existing thing, as Windows has it: a FIFO or device is then refused by Open ROM
    // with its reason, not taken for a cancel.
    if ((record.Flags & dialogs::OFN_FILEMUSTEXIST) && !QFileInfo(chosen).exists())
        return 0;

    const QByteArray path = QFile::encodeName(chosen);
    // The buffer holds nMaxFile bytes, the NUL included; a longer path is refused.
    if (static_cast<std::uint32_t>(path.size()) + 1 > record.nMaxFile) {
        dialogs::markBufferTooSmall(record, static_cast<std::size_t>(path.size()) + 1);
        g_extendedError = dialogs::FNERR_BUFFERTOOSMALL;
        return 0;
    }
    if (record.lpstrFile.size() < static_cast<std::size_t>(path.size()) + 1)
        record.lpstrFile.resize(static_cast<std::size_t>(path.size()) + 1, '\0');
    record.lpstrFile.replace(0, static_cast<std::size_t>(path.size()) + 1,
                             std::string(path.constData(), static_cast<std::size_t>(path.size())) + '\0');

    const QByteArray fileName = QFile::encodeName(QFileInfo(chosen).fileName());
    record.nFileOffset = static_cast<std::uint16_t>(path.size() - fileName.size());
    const auto dot = fileName.lastIndexOf('.');
    record.nFileExtension =
        dot < 0 ? 0 : static_cast<std::uint16_t>(record.nFileOffset + dot + 1);
    if (record.nMaxFileTitle > static_cast<std::uint32_t>(fileName.size()) &&
        record.lpstrFileTitle.size() > static_cast<std::size_t>(fileName.size())) {
        record.lpstrFileTitle.replace(0, static_cast<std::size_t>(fileName.size()) + 1,
                                      fileName.toStdString() + '\0');
    }
    const auto chosenFilter = filters.indexOf(dialog.selectedNameFilter());
    record.nFilterIndex = chosenFilter < 0 ? 1 : static_cast<std::uint32_t>(chosenFilter + 1);
    return 1;
}

} // namespace

std::int32_t qtGetOpenFileName(dialogs::OpenFileNameA& record)
{
    g_extendedError = 0;
    return runDialog(record, false);
}

std::int32_t qtGetSaveFileName(dialogs::OpenFileNameA& record)
{
    g_extendedError = 0;
    return runDialog(record, true);
}

dialogs::CommonDialogFunctions qtCommonDialogFunctions()
{
    // A Windows module's usual load address stands in for the instance handle.
    return {&qtGetOpenFileName, &qtGetSaveFileName, 0x00400000, [] { return g_extendedError; }};
}

} // namespace quillmark::app
