#pragma once

#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "app/tree_view_link.h"
#include "browser/remote_view.h"
#include "browser/app_context.h"
#include "platform/desktop/message_seam.h"
#include "sites/site_tree.h"
#include "sites/store/site_store.h"

// Site dialogs that answer as the test tells them and remember what they saw.
struct ScriptedSiteDialogs : SiteDialogs {
    bool connect = true;  // the prompt's answer
    std::function<void(SiteProfile&)> editPrompt;
    PropertiesResult propertiesAnswer = PropertiesResult::Cancelled;
    std::function<void(SiteProfile&)> editProperties;
    int prompts = 0;
    bool lastPromptWasQuick = false;

    bool PromptConnection(QWidget*, SiteProfile& profile, bool quickConnect) override {
        ++prompts;
        lastPromptWasQuick = quickConnect;
        if (connect && editPrompt) editPrompt(profile);
        return connect;
    }
    PropertiesResult EditSiteProperties(QWidget*, SiteProfile& profile, QIcon&) override {
        if (propertiesAnswer != PropertiesResult::Cancelled && editProperties) editProperties(profile);
        return propertiesAnswer;
    }
};

// Message boxes answered through the seam, each one recorded.
struct MessageLog {
    QStringList texts;
    QStringList details;
    QList<MessageButtons> buttons;
    MessageAnswer answer = MessageAnswer::Yes;
    bool checked = false;  // the answer to a check box (such as "Apply to all in this batch")

    MessageLog() {
        SetMessageResponder([this](const MessageRequest& request) {
            texts << request.text;
            details << request.details;
            buttons << request.buttons;
            if (request.buttons == MessageButtons::Ok) return MessageReply(MessageAnswer::Ok);
            return MessageReply(answer, checked && !request.checkBox.isEmpty());
        });
    }
    ~MessageLog() { SetMessageResponder({}); }
};

// Everything a list view needs, as the application owns it, with a catalogue
// file in a private directory.
struct ViewFixture {
    QTemporaryDir dir;
    AppSettings settings;
    LogQueue log;
    AppContext context{settings, log};
    ScriptedSiteDialogs dialogs;
    std::unique_ptr<SiteStore> store;
    std::unique_ptr<SiteTree> tree;
    std::unique_ptr<RemoteView> view;

    explicit ViewFixture(const QByteArray& catalogue = {}) {
        const QString path = dir.filePath("Wexal.INI");
        if (!catalogue.isEmpty()) {
            QFile file(path);
            if (file.open(QIODevice::WriteOnly)) file.write(catalogue);
        }
        settings.defaultDownloadDirectory = (dir.path() + "/downloads/").toStdString();
        QDir().mkpath(dir.path() + "/downloads");
        settings.email = "tester@example.com";
        settings.viewOnDoubleClick = 0;
        store = std::make_unique<SiteStore>(path.toStdString());
        tree = std::make_unique<SiteTree>(*store);
        tree->LoadCatalogue();
        view = std::make_unique<RemoteView>(context, tree->Catalogue(), dialogs);
        LinkTreeAndView(*tree, *view);
        view->resize(640, 400);
        view->FirstUpdate();
    }
    ~ViewFixture() {
        view.reset();
        tree.reset();
    }

    // Waits until the view's requests have all come back; false when they
    // have not within 20 s.
    bool Settle() { return QTest::qWaitFor([this] { return !view->Busy(); }, 20000); }

    RemoteListWidget& List() { return view->List(); }
    QStringList Labels() {
        QStringList labels;
        for (int row = 0; row < List().ItemCount(); ++row) labels << List().ItemText(row, 0);
        return labels;
    }
    int Row(const QString& label) {
        for (int row = 0; row < List().ItemCount(); ++row)
            if (List().ItemText(row, 0) == label) return row;
        return -1;
    }
    void Select(const QStringList& labels) {
        List().ClearSelection();
        for (const QString& label : labels) List().SelectRow(Row(label), true);
    }
    // One click on a tree item, as the user makes it; false when the item
    // cannot be shown.
    bool ClickTreeItem(const QModelIndex& item) {
        tree->show();
        if (!QTest::qWaitForWindowExposed(tree.get())) return false;
        tree->scrollTo(item);
        const QRect rect = tree->visualRect(item);
        if (rect.isEmpty()) return false;
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
        return Settle();
    }
    QStringList LogLines() {
        QStringList lines;
        for (const std::string& line : log.TakeAll()) lines << QString::fromStdString(line);
        return lines;
    }
};

inline RemoteEntry Entry(const std::string& permissions, const std::string& size, const std::string& name) {
    RemoteEntry entry;
    entry.permissions = permissions;
    if (!size.empty()) entry.size = std::stoll(size);
    entry.modified.shown = "Dec  7 08:00";
    entry.kind = permissions[0] == '-' ? EntryKind::File : permissions[0] == 'd' ? EntryKind::Directory : EntryKind::Link;
    // A link written as a listing shows it: "name -> target".
    const std::size_t arrow = entry.kind == EntryKind::Link ? name.find(" -> ") : std::string::npos;
    entry.name = name.substr(0, arrow);
    if (arrow != std::string::npos) entry.linkTarget = name.substr(arrow + 4);
    return entry;
}

// Two groups; the demo group has a site with a resource-number icon, one with an
// icon spec that fails, and one with the program's site icon.
inline QByteArray DemoCatalogue() {
    const auto site = [](const char* name, const char* host, const char* icon, const char* group) {
        return QByteArray("[") + name + "]\r\nHOST=" + host + "\r\nACCOUNT=\r\nUID=anonymous\r\nPASSWORD=\r\n" +
               "SAVPWD=FALSE\r\nICON=" + icon + "\r\nGROUP=" + group + "\r\nLOCALDIR=\r\nREMOTEDIR=\r\n" +
               "PROMPT?=FALSE\r\nFIREWALL?=FALSE\r\n\r\n";
    };
    return site("Alpha", "127.0.0.1:1", "7", "Demo") + site("Broken", "127.0.0.1:1", "/no/such/file.ico ,0", "Demo") +
           site("Gamma", "127.0.0.1:1", "Wexal.exe ,32", "Demo") + site("Other", "127.0.0.1:1", "", "Work");
}
