#include "browser/existing_file_question.h"

#include <QFileInfo>
#include <QLocale>

#include "platform/desktop/message_seam.h"

namespace {

QString SideText(const QString& label, const ExistingFileSide& side) {
    QStringList known;
    if (!side.size.isEmpty()) known << side.size;
    if (!side.modified.isEmpty()) known << QStringLiteral("modified ") + side.modified;
    return label +
           (known.isEmpty() ? QStringLiteral("size and date unknown") : known.join(QStringLiteral(", ")));
}

std::optional<ExistingFileChoice> ChoiceOf(MessageAnswer answer) {
    switch (answer) {
        case MessageAnswer::Overwrite:
            return ExistingFileChoice::Overwrite;
        case MessageAnswer::OverwriteIfNewer:
            return ExistingFileChoice::OverwriteIfNewer;
        case MessageAnswer::Resume:
            return ExistingFileChoice::Resume;
        case MessageAnswer::Rename:
            return ExistingFileChoice::Rename;
        case MessageAnswer::Skip:
            return ExistingFileChoice::Skip;
        default:
            return std::nullopt;  // Cancel, or a box closed without an answer
    }
}

}  // namespace

ExistingFileSide LocalFileSide(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return {};
    static const QLocale grouping(QLocale::English);
    return {grouping.toString(info.size()) + QStringLiteral(" bytes"),
            info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm"))};
}

ExistingFileAnswer AskAboutExistingFile(QWidget* parent, const ExistingFileFacts& facts) {
    MessageRequest request;
    request.text = QStringLiteral("%1 %2 already exists%3.")
                       .arg(facts.folder ? QStringLiteral("Folder") : QStringLiteral("File"), facts.target,
                            facts.onServer ? QStringLiteral(" on the server") : QString());
    request.details =
        facts.folder ? QStringLiteral("The choice is taken for each of its files that is there too; the "
                                      "others are %1 as they are.")
                           .arg(facts.onServer ? QStringLiteral("sent") : QStringLiteral("brought"))
                     : SideText(QStringLiteral("Existing file: "), facts.existing) + u'\n' +
                           SideText(QStringLiteral("New file: "), facts.incoming);
    request.buttons = MessageButtons::ExistingFile;
    request.icon = MessageIcon::Question;
    request.checkBox = QStringLiteral("&Apply to all in this batch");
    const MessageReply reply = AskMessage(parent, request);
    ExistingFileAnswer answer;
    answer.choice = ChoiceOf(reply.answer);
    answer.applyToAll = answer.choice.has_value() && reply.checked;
    return answer;
}
