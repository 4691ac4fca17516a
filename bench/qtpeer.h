#pragma once

// The typical Qt way to show the comments: the reply parsed into a QDomDocument, an item of a
// QStandardItemModel for every cell, in a QTreeView that sorts, sorted by CommentSequence descending.

#include <QStandardItemModel>
#include <QTreeView>
#include <QUrl>

#include <memory>

namespace Bench {

class QtPeer
{
public:
    // A shown, empty view.
    QtPeer();
    ~QtPeer();
    QtPeer(const QtPeer &) = delete;
    QtPeer &operator=(const QtPeer &) = delete;

    // Fetches the reply and fills a new model with its comments; returns how many rows it shows.
    int load(const QUrl &url);
    // Takes the model out of the view and abandons it: destroying a sorted QStandardItemModel costs
    // time that grows with the square of its rows in this Qt version.
    void release();

private:
    std::unique_ptr<QTreeView> m_view;
    QStandardItemModel *m_model = nullptr;
};

} // namespace Bench
