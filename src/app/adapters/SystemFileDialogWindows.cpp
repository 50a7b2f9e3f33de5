#include "app/adapters/SystemFileDialog.h"

#include "app/adapters/WindowsFileDialog.h"

namespace quillmark::app {

dialogs::CommonDialogFunctions systemCommonDialogFunctions() { return windowsCommonDialogFunctions(); }

} // namespace quillmark::app
