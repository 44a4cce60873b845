#include "browser/remote_deletion.h"

#include "ftp/ftp_session.h"
#include "ftp/tree_removal.h"
#include "platform/desktop/message_seam.h"

namespace {

QString Counted(int count, const char* one, const char* many) {
    return QString::number(count) + u' ' + QString::fromLatin1(count == 1 ? one : many);
}

bool IsLink(const RemoteDeletion::Item& item) { return item.permissions.startsWith(u'l'); }

QString ServerName(const RemoteDeletion::Item& item) { return item.name; }

}  // namespace

RemoteDeletion::RemoteDeletion(FtpSession& session, QWidget* parent) : session(session), parent(parent) {}

RemoteDeletion::~RemoteDeletion() = default;

bool RemoteDeletion::Survey(const QList<Item>& items) {
    int withContents = 0;
    for (const Item& item : items) {
        if (!item.folder || IsLink(item) || !session.IsConnected()) continue;
        auto removal = std::make_unique<TreeRemoval>(session);
        if (!removal->Survey(item.label.toStdString())) {
            ShowMessage(parent, QStringLiteral("Could not delete the folder \"%1\": %2. Nothing was deleted.")
                                    .arg(item.label, QString::fromStdString(removal->Problem())));
            return false;
        }
        const TreeRemoval::Counts counts = removal->Contents();
        if (counts.files + counts.folders > 0) {
            ++withContents;
            onlyFolder = item.label;
        }
        files += counts.files;
        subfolders += counts.folders;
        folders[item.label] = std::move(removal);
    }
    if (withContents != 1) onlyFolder.clear();
    return true;
}

QString RemoteDeletion::Question(int selectedCount) const {
    if (files + subfolders == 0) {
        return QStringLiteral(
            "Are you sure you want to delete the selected item(s), they will be gone forever?");
    }
    const QString contents =
        Counted(files, "file", "files") + QStringLiteral(" and ") + Counted(subfolders, "folder", "folders");
    if (selectedCount == 1 && !onlyFolder.isEmpty()) {
        return QStringLiteral("Delete folder \"%1\" and everything in it: %2?").arg(onlyFolder, contents);
    }
    return QStringLiteral("Delete the %1 selected items and everything in their folders: %2?")
        .arg(selectedCount)
        .arg(contents);
}

bool RemoteDeletion::Delete(const Item& item) {
    const std::string name = ServerName(item).toStdString();
    const auto surveyed = folders.find(item.label);
    if (surveyed != folders.end()) {
        TreeRemoval& removal = *surveyed->second;
        const TreeRemoval::Counts counts = removal.Contents();
        // An empty folder needs nothing but its RMD, as before there were
        // removals of whole trees.
        if (removal.IsLink() || counts.files + counts.folders > 0) {
            if (!removal.Remove()) {
                for (const std::string& failure : removal.Failures())
                    leftovers << QString::fromStdString(failure);
            }
            return true;
        }
    }
    if (!item.folder || IsLink(item)) {
        if (session.DeleteFile(name) == kComplete) return true;
        ShowMessage(parent, QStringLiteral("Error deleting file"));
        return false;
    }
    if (session.RemoveDir(name) == kComplete) return true;
    ShowMessage(parent, QStringLiteral("Error deleting directory"));
    return false;
}

void RemoteDeletion::ReportLeftovers() const {
    if (leftovers.isEmpty()) return;
    constexpr int kShown = 15;
    QString text =
        QStringLiteral("These items could not be deleted:\n") + leftovers.mid(0, kShown).join(u'\n');
    if (leftovers.size() > kShown) {
        text += QStringLiteral("\n...and %1 more; the log names them all.").arg(leftovers.size() - kShown);
    }
    ShowMessage(parent, text);
}
