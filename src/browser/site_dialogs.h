#pragma once

#include <QIcon>

#include "sites/store/site_profile.h"

class QWidget;

// The site dialogs the list view runs: the connection prompt and the site
// Properties dialog. The application supplies the real dialogs.
class SiteDialogs {
public:
    enum class PropertiesResult { Cancelled, Saved, SavedAndConnect };

    virtual ~SiteDialogs() = default;

    // The Session Profile prompt, filled from the profile; on Connect the typed
    // host, user, password, save-password choice and initial directory go back
    // into it. False when the user cancelled.
    virtual bool PromptConnection(QWidget* parent, SiteProfile& profile, bool quickConnect) = 0;

    // The site Properties dialog with the profile and its icon; on either Save
    // button the edited fields and the chosen icon come back.
    virtual PropertiesResult EditSiteProperties(QWidget* parent, SiteProfile& profile, QIcon& icon) = 0;
};
