#include "floors.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>

namespace Bench {

namespace {

Fetched waitFor(QNetworkReply *reply)
{
    std::unique_ptr<QNetworkReply> owned(reply);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return {reply->readAll(), reply->error() == QNetworkReply::NoError ? QString() : reply->errorString()};
}

// Reads digits into value; false when there are fewer than min or more than max.
bool digits(const char16_t *&p, const char16_t *end, int min, int max, int &value)
{
    int count = 0;
    value = 0;
    while (p != end && *p >= u'0' && *p <= u'9' && count < max) {
        value = value * 10 + (*p++ - u'0');
        ++count;
    }
    return count >= min;
}

// "8/5/2010 03:04PM" as one number that orders like the moment; none for any other text.
std::optional<std::int64_t> readDisplayDate(QStringView text)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    int month = 0, day = 0, year = 0, hour = 0, minute = 0;
    if (!digits(p, end, 1, 2, month) || p == end || *p++ != u'/' || !digits(p, end, 1, 2, day) || p == end
        || *p++ != u'/' || !digits(p, end, 4, 4, year) || p == end || *p++ != u' ' || !digits(p, end, 2, 2, hour)
        || p == end || *p++ != u':' || !digits(p, end, 2, 2, minute) || end - p != 2 || p[1] != u'M')
        return std::nullopt;
    if (p[0] != u'A' && p[0] != u'P')
        return std::nullopt;
    hour = hour % 12 + (p[0] == u'P' ? 12 : 0);
    return ((((std::int64_t(year) * 13 + month) * 32 + day) * 24 + hour) * 60) + minute;
}

template<typename Key>
std::vector<int> stableSortedIndices(const std::vector<Key> &keys)
{
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return keys[std::size_t(a)] < keys[std::size_t(b)]; });
    return order;
}

struct Piece {
    char16_t text[3];
    int length;
};

const std::array<Piece, 256> kPieces = [] {
    static const char16_t hex[] = u"0123456789ABCDEF";
    std::array<Piece, 256> pieces{};
    for (int c = 0; c < 256; ++c) {
        const bool passes = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '*'
            || c == '-' || c == '.' || c == '_';
        if (passes)
            pieces[std::size_t(c)] = {{char16_t(c)}, 1};
        else if (c == ' ')
            pieces[std::size_t(c)] = {{u'+'}, 1};
        else
            pieces[std::size_t(c)] = {{u'%', hex[c >> 4], hex[c & 15]}, 3};
    }
    return pieces;
}();

} // namespace

Fetched fetch(const QUrl &url, Compression compression)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    if (compression == Compression::Refused)
        request.setRawHeader("Accept-Encoding", "identity");
    // As the control does: a reply that compresses very well is not taken for a decompression bomb.
    request.setDecompressedSafetyCheckThreshold(-1);
    return waitFor(manager.get(request));
}

std::size_t loadFloor(const QUrl &url)
{
    QByteArray bytes = fetch(url).body;
    pugi::xml_document doc;
    doc.load_buffer_inplace(bytes.data(), std::size_t(bytes.size()), pugi::parse_default, pugi::encoding_utf8);
    const pugi::xml_node comments = doc.document_element().child("Comments");
    std::vector<char> characters;
    std::vector<std::uint32_t> ends;
    characters.reserve(std::size_t(bytes.size()));
    for (pugi::xml_node record = comments.first_child(); record; record = record.next_sibling()) {
        for (pugi::xml_node field = record.first_child(); field; field = field.next_sibling()) {
            const char *text = field.child_value();
            characters.insert(characters.end(), text, text + std::strlen(text));
            ends.push_back(std::uint32_t(characters.size()));
        }
    }
    return ends.size();
}

QByteArray postFloor(const QUrl &url, const QByteArray &body)
{
    // One manager for every save, as the control keeps one: its connection is reused.
    static auto *const manager = new QNetworkAccessManager(QCoreApplication::instance());
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    return waitFor(manager->post(request, body)).body;
}

std::vector<int> dateSortFloor(const std::vector<QString> &dates)
{
    std::vector<std::int64_t> keys;
    keys.reserve(dates.size());
    for (const QString &d : dates)
        keys.push_back(readDisplayDate(d).value_or(-1));
    return stableSortedIndices(keys);
}

std::vector<int> dateSortQDateTime(const std::vector<QString> &dates)
{
    std::vector<QDateTime> keys;
    keys.reserve(dates.size());
    for (const QString &d : dates)
        keys.push_back(QDateTime::fromString(d, QStringLiteral("M/d/yyyy hh:mmAP")));
    return stableSortedIndices(keys);
}

QString encodeFloor(QStringView text)
{
    // One pass for the length, so the result is allocated once at its size; one pass to write it,
    // every piece as three units with the next one written over what it does not use.
    qsizetype length = 0;
    for (const QChar c : text)
        length += kPieces[c.unicode() & 0xFF].length;
    QString out(length + 2, Qt::Uninitialized);
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    for (const QChar c : text) {
        const Piece &piece = kPieces[c.unicode() & 0xFF];
        o[0] = piece.text[0];
        o[1] = piece.text[1];
        o[2] = piece.text[2];
        o += piece.length;
    }
    out.truncate(length);
    return out;
}

} // namespace Bench
