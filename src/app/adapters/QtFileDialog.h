#pragma once

#include "dialogs/OpenFileName.h"

namespace quillmark::app {

// GetOpenFileNameA and GetSaveFileNameA on Qt's file dialog, which is the native one
// on Windows and macOS. Owner, title, initial folder, the NUL-separated filter list
// and the preselected filter, OFN_FILEMUSTEXIST / OFN_PATHMUSTEXIST and the default
// extension are honoured; a path that does not fit nMaxFile is refused with 0 and
// FNERR_BUFFERTOOSMALL, as on Windows.
std::int32_t qtGetOpenFileName(dialogs::OpenFileNameA& record);
std::int32_t qtGetSaveFileName(dialogs::OpenFileNameA& record);

dialogs::CommonDialogFunctions qtCommonDialogFunctions();

} // namespace quillmark::app
