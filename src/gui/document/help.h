#pragma once
// The help command: opens the help page of the "Help" folder beside the
// program (or of the installed help) with the desktop's viewer, or tells why it cannot.
#include <string>

#include "core/common/user_dialog.h"

namespace kinevo::gui {

// The "Help" folder beside the program, or the installed help folder.
std::string HelpFolder();
bool OpenHelp(TUserDlg& dialog);

}  // namespace kinevo::gui
