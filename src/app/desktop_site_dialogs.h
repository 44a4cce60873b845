#pragma once

#include "browser/site_dialogs.h"

struct AppSettings;

// The site dialogs of the catalogue library, filled from and copied back into
// the profile the list view or a frame command works with.
class DesktopSiteDialogs : public SiteDialogs {
public:
    explicit DesktopSiteDialogs(const AppSettings& settings) : settings(settings) {}

    bool PromptConnection(QWidget* parent, SiteProfile& profile, bool quickConnect) override;
    PropertiesResult EditSiteProperties(QWidget* parent, SiteProfile& profile, QIcon& icon) override;

private:
    const AppSettings& settings;
};
