#include "browser/existing_target_question.h"

#include "platform/desktop/message_seam.h"

std::optional<ExistingFileChoice> ExistingTargetQuestion::Ask(Side side, const QString& target) {
    const QString text =
        side == Side::Local
            ? QStringLiteral("File %1 already exists.\n Do you wish to overwrite it?").arg(target)
            : QStringLiteral("File %1 already exists on the server.\n Do you wish to overwrite it?")
                  .arg(target);
    switch (ShowMessage(parent, text, MessageButtons::OverwriteSkipCancel, MessageIcon::Question)) {
        case MessageAnswer::Yes:
            return ExistingFileChoice::Overwrite;
        case MessageAnswer::No:
            return ExistingFileChoice::Skip;
        default:
            return std::nullopt;
    }
}
