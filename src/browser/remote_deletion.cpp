#include "browser/remote_deletion.h"

#include "platform/desktop/message_seam.h"

namespace {

QString Counted(int count, const char* one, const char* many) {
    return QString::number(count) + u' ' + QString::fromLatin1(count == 1 ? one : many);
}

bool IsLink(const RemoteDeletion::Item& item) { return item.permissions.startsWith(u'l'); }

}  // namespace

bool RemoteDeletion::NeedsSurvey(const Item& item) { return item.folder && !IsLink(item); }

bool RemoteDeletion::TakeSurvey(const Item& item, const Result<TreeContents>& survey, QWidget* parent) {
    if (!survey) {
        if (survey.Failure().category != Error::Category::Cancelled) {
            ShowMessage(parent, QStringLiteral("Could not delete the folder \"%1\": %2. Nothing was deleted.")
                                    .arg(item.label, QString::fromStdString(survey.Failure().message)));
        }
        return false;
    }
    const TreeContents& counts = survey.Value();
    if (counts.files + counts.folders > 0) {
        onlyFolder = ++withContents == 1 ? item.label : QString();
    }
    files += counts.files;
    subfolders += counts.folders;
    folders[item.label] = counts;
    return true;
}

QString RemoteDeletion::Question(int selectedCount) const {
    if (files + subfolders == 0) {
        return QStringLiteral(
            "Are you sure you want to delete the selected item(s), they will be gone forever?");
    }
    const QString contents =
        Counted(files, "file", "files") + QStringLiteral(" and ") + Counted(subfolders, "folder", "folders");
    if (selectedCount == 1 && withContents == 1) {
        return QStringLiteral("Delete folder \"%1\" and everything in it: %2?").arg(onlyFolder, contents);
    }
    return QStringLiteral("Delete the %1 selected items and everything in their folders: %2?")
        .arg(selectedCount)
        .arg(contents);
}

Request RemoteDeletion::DeleteRequest(const Item& item, const std::string& path) const {
    const auto surveyed = folders.find(item.label);
    if (surveyed != folders.end()) {
        const TreeContents& counts = surveyed->second;
        // An empty folder needs nothing but its RMD.
        if (counts.isLink || counts.files + counts.folders > 0) return request::RemoveTree{path};
    }
    if (!item.folder || IsLink(item)) return request::Delete{path};
    return request::RemoveDirectory{path};
}

void RemoteDeletion::TakeResult(const Item& item, const RequestResult& result, QWidget* parent) {
    if (const auto* removal = std::get_if<Result<TreeLeftovers>>(&result); removal && removal->Ok()) {
        for (const std::string& failure : removal->Value().items) leftovers << QString::fromStdString(failure);
        return;
    }
    const Error& failure = FailureOf(result);
    if (failure.category == Error::Category::None || failure.category == Error::Category::Cancelled) return;
    if (std::holds_alternative<Result<TreeLeftovers>>(result)) {
        leftovers << item.name + QStringLiteral(": ") + QString::fromStdString(failure.message);
    } else {
        ShowMessage(parent, !item.folder || IsLink(item) ? QStringLiteral("Error deleting file")
                                                         : QStringLiteral("Error deleting directory"));
    }
}

void RemoteDeletion::ReportLeftovers(QWidget* parent) const {
    if (leftovers.isEmpty()) return;
    constexpr int kShown = 15;
    QString text =
        QStringLiteral("These items could not be deleted:\n") + leftovers.mid(0, kShown).join(u'\n');
    if (leftovers.size() > kShown) {
        text += QStringLiteral("\n...and %1 more; the log names them all.").arg(leftovers.size() - kShown);
    }
    ShowMessage(parent, text);
}
