// installer_main.cpp -- the installer's course: the wizard, then the
// installation when the user finished it
#include "installer/cabmover/cabmover.h"

namespace cabmover {

void InstallerMain()
{
    static Wizard wizard;
    char component[kTitleSize + 1];
    if (!LoadResourceText(kComponentType, kComponentId, component, kTitleSize))
    {
        // Without its name the payload would land in the manager's own folder.
        ReportFailure(kMissingInfo);
        return;
    }
    wizard.Init(Module(), component);
    wizard.AddPage(kLicenceDialog, LicencePageProc);
    if (wizard.Run() == kMoveFinish)
        InstallPayload(wizard.title);
    wizard.End();
}

} // namespace cabmover
