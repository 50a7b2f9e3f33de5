#pragma once

#include "dialogs/OpenFileName.h"

namespace quillmark::app {

// GetOpenFileNameA and GetSaveFileNameA on the system's own GetOpenFileNameW and
// GetSaveFileNameW (Windows only): the record's UTF-8 texts as UTF-16, the owner,
// title, initial folder, filter list and index, flags and default extension handed
// on; the chosen path back in UTF-8, refused with FNERR_BUFFERTOOSMALL when it does
// not fit nMaxFile bytes.
dialogs::CommonDialogFunctions windowsCommonDialogFunctions();

} // namespace quillmark::app
