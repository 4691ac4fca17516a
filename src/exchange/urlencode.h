#pragma once

#include "platform/codepage.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

namespace VynMemberComment {

// Form-URL-encodes text in the given code page ("+" for a blank, "%XX" otherwise, "%XXXX" for a
// double-byte character; letters, digits and "*-._" pass).
QString urlEncode(QStringView text, Platform::CodePage codePage);

struct UrlCodeTable;

// The same encoding written as bytes (all it writes is ASCII), piece after piece, so that a
// request body is built without the whole text in between. Encoding a and then b gives the bytes
// of urlEncode(a + b) as long as no surrogate pair is split between them.
class FormUrlEncoder
{
public:
    explicit FormUrlEncoder(Platform::CodePage codePage);

    // The most bytes one character can become: 3, or 5 in a double-byte code page.
    int widestPiece() const;
    // Writes what the text becomes at out and returns the end of it. Past the end of the text's
    // widest encoding, out needs room for 3 more bytes.
    char *write(char *out, QStringView text) const;
    char *write(char *out, QLatin1StringView text) const;

private:
    const UrlCodeTable *m_table;
};

} // namespace VynMemberComment
