#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <map>

#include "ftp/connection_requests.h"

class QWidget;

// The Delete command's plan for the server: files go with DELE, links with
// DELE too (never followed), folders with everything in them. Before the one
// confirmation, every selected folder is surveyed (each level listed) so the
// question can say how many files and folders go; after it, each item is
// deleted and what could not be is reported, one item's failure stopping
// nothing else. It holds no connection: the list view runs the requests it
// names and hands their results back.
class RemoteDeletion {
public:
    struct Item {
        QString label;        // as the list shows it
        QString name;         // as the server knows it (a link's label adds its target)
        QString permissions;  // the listing's mode text; "l..." for a link
        bool folder = false;
    };

    explicit RemoteDeletion(QList<Item> items) : items(std::move(items)) {}

    const QList<Item>& Items() const { return items; }
    // Whether the item is a folder to survey before the question.
    static bool NeedsSurvey(const Item& item);
    // A survey's result. False, after saying why on parent, when it failed:
    // then nothing may be deleted.
    bool TakeSurvey(const Item& item, const Result<TreeContents>& survey, QWidget* parent);
    // The confirmation to ask: the plain one, or one that counts what goes.
    QString Question(int selectedCount) const;
    // The request that deletes the item at path.
    Request DeleteRequest(const Item& item, const std::string& path) const;
    // A deletion's result; says on parent when a single file or folder could
    // not be deleted, and keeps what a folder removal left behind.
    void TakeResult(const Item& item, const RequestResult& result, QWidget* parent);
    // Names, in one message, what the folder removals left behind.
    void ReportLeftovers(QWidget* parent) const;

private:
    QList<Item> items;
    std::map<QString, TreeContents> folders;  // by label, surveyed
    QString onlyFolder;  // the one surveyed folder with contents, if exactly one
    int withContents = 0;
    int files = 0;
    int subfolders = 0;
    QStringList leftovers;
};
