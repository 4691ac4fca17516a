#pragma once

// The floors: the least work each scenario must do anyway, written plainly.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <cstddef>
#include <vector>

namespace Bench {

// The same GET the control sends, through Qt Network, waited for in an event loop: the reply's
// bytes, and why it failed (empty when the whole reply came). Qt Network asks for a compressed
// reply unless compression is refused ("Accept-Encoding: identity").
struct Fetched {
    QByteArray body;
    QString error;
};
enum class Compression { AsQtAsks, Refused };
Fetched fetch(const QUrl &url, Compression compression = Compression::AsQtAsks);

// Load: fetch, a pugixml parse of the bytes and a copy of every comment cell's text into plain
// vectors (one of characters, one of cell ends). Returns how many cells were copied.
std::size_t loadFloor(const QUrl &url);

// Save: a Qt Network POST of the form body, waited for until the reply has been read; the reply.
QByteArray postFloor(const QUrl &url, const QByteArray &body);

// Date sort: reads each "M/D/YYYY HH:MMAM" text by hand once and stable-sorts the indices by it
// (texts that are no such date first). Returns the indices in sorted order.
std::vector<int> dateSortFloor(const std::vector<QString> &dates);

// The same sort with every date read by QDateTime::fromString, for comparison.
std::vector<int> dateSortQDateTime(const std::vector<QString> &dates);

// Encoding: a plain table-driven loop over the text's code units ("+" for a blank, "%XX" for
// every unit that is no letter, digit or "*-._"), for texts within Latin-1.
QString encodeFloor(QStringView text);

} // namespace Bench
