#include "sites/catalogue_load_message.h"

CatalogueLoadOutcome SettleCatalogueLoad(const SiteStore& store, CatalogueLoad load,
                                         const std::string& problem) {
    const QString cause = QString::fromStdString(problem);
    if (load == CatalogueLoad::Unreadable) {
        return {QStringLiteral("%1.\nThe file is left as it is, and changes to the sites are not "
                               "saved in this session.")
                    .arg(cause),
                true};
    }
    if (load != CatalogueLoad::NotUnderstood) return {};
    std::string error;
    const std::string aside = store.SetAsideUnreadable(error);
    if (aside.empty()) {
        return {QStringLiteral("%1.\nIt could not be renamed (%2), so it is left as it is and "
                               "changes to the sites are not saved in this session.")
                    .arg(cause, QString::fromStdString(error)),
                true};
    }
    return {QStringLiteral("%1.\nIt has been kept unchanged as %2, and a new site catalogue "
                           "is started.")
                .arg(cause, QString::fromStdString(aside)),
            false};
}
