#pragma once
// The association of ".kvo" documents with the program, as the options
// dialog shows and changes it.  On the desktop it is made by
// TFreedesktopAssociation (platform/desktop).
#include <string>

#include "core/common/result.h"
#include "core/common/user_dialog.h"

namespace kinevo {

class IFileAssociation {
 public:
  virtual ~IFileAssociation() = default;
  // True when the association is in place.
  virtual bool IsAssociated() const = 0;
  // Associates ".kvo" with `programPath`; a failure says which step failed
  // and why.
  virtual TStatus Associate(const std::string& programPath) = 0;
  // Removes the association.
  virtual TStatus Dissociate() = 0;
};

// The closing step of the options dialog for its association check box:
// ticked and not in place (and the program file present) -> associate;
// unticked and in place -> remove.  A failure is told to the user, with its
// cause; answers false then.
bool ApplyAssociationChoice(IFileAssociation& association, bool wanted,
                            const std::string& programPath, TUserDlg& dialog);

}  // namespace kinevo
