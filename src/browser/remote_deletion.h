#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>

class FtpSession;
class QWidget;
class TreeRemoval;

// The Delete command's work on the server: files go with DELE, links with
// DELE too (never followed), folders with everything in them. Before the one
// confirmation, every selected folder is surveyed (each level listed) so the
// question can say how many files and folders go; after it, each item is
// deleted and what could not be is reported, one item's failure stopping
// nothing else.
class RemoteDeletion {
public:
    struct Item {
        QString label;        // as the list shows it
        QString name;         // as the server knows it (a link's label adds its target)
        QString permissions;  // the listing's mode text; "l..." for a link
        bool folder = false;
    };

    RemoteDeletion(FtpSession& session, QWidget* parent);
    ~RemoteDeletion();
    RemoteDeletion(const RemoteDeletion&) = delete;
    RemoteDeletion& operator=(const RemoteDeletion&) = delete;

    // Surveys the folders among the items. False, after saying why, when one
    // could not be surveyed: then nothing may be deleted.
    bool Survey(const QList<Item>& items);
    // The confirmation to ask: the plain one, or one that counts what goes.
    QString Question(int selectedCount) const;
    // Deletes one item; returns whether the server was asked to change anything.
    bool Delete(const Item& item);
    // Names, in one message, what the folder removals left behind.
    void ReportLeftovers() const;

private:
    FtpSession& session;
    QWidget* parent;
    std::map<QString, std::unique_ptr<TreeRemoval>> folders;  // by label, surveyed
    QString onlyFolder;  // the one surveyed folder with contents, if exactly one
    int files = 0;
    int subfolders = 0;
    QStringList leftovers;
};
