#include "app/adapters/SystemFileDialog.h"

#include "app/adapters/QtFileDialog.h"

namespace quillmark::app {

dialogs::CommonDialogFunctions systemCommonDialogFunctions() { return qtCommonDialogFunctions(); }

} // namespace quillmark::app
