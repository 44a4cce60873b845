#include "sites/site_conflict_question.h"

#include "platform/desktop/message_seam.h"
#include "sites/catalogue_entries.h"

namespace {

QString SideText(const char* side, const std::optional<SiteProfile>& site) {
    if (!site) return QStringLiteral("%1: deleted").arg(QString::fromUtf8(side));
    return QStringLiteral("%1: host %2, user %3, remote folder %4")
        .arg(QString::fromUtf8(side), ToQt(site->host), ToQt(site->userId), ToQt(site->remoteDir));
}

}  // namespace

ConflictChoice AskSiteConflict(QWidget* parent, const SiteConflict& conflict) {
    const SiteProfile& site = conflict.mine ? *conflict.mine : *conflict.theirs;
    MessageRequest request;
    request.text = QStringLiteral("The site \"%1\" in the group \"%2\" was changed here and, since the site "
                                  "catalogue was read, also by another program. Which shall be kept? "
                                  "Keep Both keeps theirs as \"%3\".")
                       .arg(ToQt(site.name), ToQt(site.group), ToQt(NameChangedElsewhere(site.name)));
    request.details = SideText("Mine", conflict.mine) + u'\n' + SideText("Theirs", conflict.theirs);
    request.buttons = MessageButtons::BothSidesChanged;
    request.icon = MessageIcon::Question;
    switch (AskMessage(parent, request).answer) {
        case MessageAnswer::KeepMine:
            return ConflictChoice::KeepMine;
        case MessageAnswer::TakeTheirs:
            return ConflictChoice::TakeTheirs;
        default:
            return ConflictChoice::KeepBoth;
    }
}
