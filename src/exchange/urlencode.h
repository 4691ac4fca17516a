#pragma once

#include "platform/codepage.h"

#include <QString>
#include <QStringView>

namespace VynMemberComment {

// Form-URL-encodes text in the given code page, one UTF-16 unit after the other ("+" for a blank,
// "%XX" otherwise, "%XXXX" for a double-byte character; letters, digits and "*-._" pass). Each
// half of a surrogate pair is a character no code page holds: "?".
QString urlEncode(QStringView text, Platform::CodePage codePage);

struct UrlCodeTable;

// The same encoding written as bytes (all it writes is ASCII), piece after piece, so that a
// request body is built without the whole text in between: encoding a and then b gives the bytes
// of urlEncode(a + b).
class FormUrlEncoder
{
public:
    explicit FormUrlEncoder(Platform::CodePage codePage);

    // The most bytes one character can become: 3, or 5 in a double-byte code page.
    int widestPiece() const;
    // Writes what the text becomes at out and returns the end of it. Past the end of the text's
    // widest encoding, out needs room for 3 more bytes.
    char *write(char *out, QStringView text) const;
    char *write(char *out, char16_t unit) const;
    // The same for the text as an SQL literal: in single quotes, each quote inside doubled. Its
    // widest encoding is that of 2 * text.size() + 2 characters.
    char *writeQuoted(char *out, QStringView text) const;

private:
    const UrlCodeTable *m_table;
};

} // namespace VynMemberComment
