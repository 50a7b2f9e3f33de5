#pragma once

#include "dialogs/OpenFileName.h"

namespace quillmark::app {

// The open-file dialog the system calls its own: COMDLG32's on Windows
// (windowsCommonDialogFunctions), Qt's elsewhere. The build picks the file that
// defines it.
dialogs::CommonDialogFunctions systemCommonDialogFunctions();

} // namespace quillmark::app
