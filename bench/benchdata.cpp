#include "benchdata.h"

#include <loadreplywriter.h>

#include <random>

namespace Bench {

namespace {

// Words of business notes; a few carry quotes, ampersands or accented letters.
const char *const kWords[] = {
    "called",  "the",        "member",   "about",      "renewal",   "invoice",      "account",
    "meeting", "agreed",     "to",       "send",       "a",         "new",          "contract",
    "before",  "Friday",     "client's", "\"urgent\"", "R&D",       "Smith & Sons", "café",
    "Müller",  "résumé",     "naïve",    "Zoë",        "déjà",      "façade",       "São Paulo",
    "O'Neill", "follow-up",  "payment",  "overdue",    "discussed", "franchise",    "relations",
    "centre",  "membership", "benefits", "& more",     "<draft>",   "Ångström",     "Crème",
    "brûlée",  "it's",       "won't",    "quote:",     "'as is'",   "Łódź",
};

const char *const kGroups[] = {"General", "Billing & Accounts", "Franchise Relations", "Müller Centre", "BETA"};
const char *const kTypes[] = {"Phone call", "Letter", "E-mail", "Visit", "Note \"internal\""};
const char *const kPeople[] = {"Ann Lee", "Renée O'Brien", "José Núñez", "Tom Smith", "Zoë Dubois"};
const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

template<std::size_t N>
const char *pick(std::mt19937 &random, const char *const (&list)[N])
{
    return list[std::uniform_int_distribution<std::size_t>(0, N - 1)(random)];
}

int between(std::mt19937 &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

std::size_t utf8Characters(const std::string &s)
{
    std::size_t n = 0;
    for (const char c : s)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

std::string description(std::mt19937 &random)
{
    const auto target = std::size_t(between(random, 40, 400));
    std::string text;
    std::size_t characters = 0;
    while (characters + 1 < target) {
        if (!text.empty()) {
            text += ' ';
            ++characters;
        }
        const std::string word = pick(random, kWords);
        text += word;
        characters += utf8Characters(word);
    }
    text += '.';
    return text;
}

std::string twoDigits(int v)
{
    return (v < 10 ? "0" : "") + std::to_string(v);
}

// "8/5/2010 03:04PM" and "Aug 05 2010 03:04PM", as the server page writes them.
std::string clock12(int hour, int minute)
{
    const int h = hour % 12 == 0 ? 12 : hour % 12;
    return twoDigits(h) + ":" + twoDigits(minute) + (hour < 12 ? "AM" : "PM");
}

} // namespace

std::vector<Record> makeRecords(std::size_t n, Sequences sequences)
{
    std::mt19937 random(20100805);
    std::vector<Record> records(n);
    for (std::size_t i = 0; i < n; ++i) {
        Record &r = records[i];
        const int group = between(random, 1, 5);
        const int type = between(random, 1, 5);
        const int year = between(random, 2001, 2024), month = between(random, 1, 12), day = between(random, 1, 28);
        const int hour = between(random, 0, 23), minute = between(random, 0, 59);
        r[0] = description(random);
        r[1] = "1001";
        r[2] = std::to_string(i + 1) + (sequences == Sequences::Changed ? "U" : "");
        r[3] = std::to_string(group);
        r[4] = kGroups[group - 1];
        r[5] = std::to_string(type);
        r[6] = kTypes[type - 1];
        r[7] = std::to_string(month) + "/" + std::to_string(day) + "/" + std::to_string(year) + " "
            + clock12(hour, minute);
        r[8] = pick(random, kPeople);
        r[9] = between(random, 0, 1) ? "1" : "0";
        r[10] = between(random, 0, 1) ? "1" : "0";
        r[11] = between(random, 0, 1) ? "1" : "0";
        r[12] = std::string(kMonths[month - 1]) + " " + twoDigits(day) + " " + std::to_string(year) + " "
            + clock12(hour, minute);
        r[13] = between(random, 0, 1) ? "1" : "0";
    }
    return records;
}

std::string loadReply(const std::vector<Record> &records)
{
    static const char *const kNames[] = {
        "CommentDescription", "MemberID",        "CommentSequence",   "CommentGroup",           "GroupDescription",
        "CommentType",        "TypeDescription", "CommentDate",       "CommentEnteredBy",       "FocusCenter",
        "FocusMembership",    "FocusBETA",       "RecordLastUpdated", "FocusFranchiseRelations"};
    std::string out = R"(<?xml version="1.0" encoding="UTF-8"?><MemberComment><User>Ann Lee</User>)";
    auto choices = [&out](const char *section, const char *record, const char *const *texts) {
        out += std::string("<") + section + ">";
        for (int i = 0; i < 5; ++i) {
            out += std::string("<") + record + "><ID>" + std::to_string(i + 1) + "</ID><Description>";
            out += MemberCommentServer::escapeXml(texts[i]);
            out += std::string("</Description></") + record + ">";
        }
        out += std::string("</") + section + ">";
    };
    choices("Groups", "Group", kGroups);
    choices("Types", "Type", kTypes);
    out += "<Comments>";
    for (const Record &r : records) {
        out += "<Comment>";
        for (std::size_t c = 0; c < r.size(); ++c) {
            out += '<';
            out += kNames[c];
            out += '>';
            out += MemberCommentServer::escapeXml(r[c]);
            out += "</";
            out += kNames[c];
            out += '>';
        }
        out += "</Comment>";
    }
    out += "</Comments></MemberComment>";
    return out;
}

std::size_t utf16Bytes(const std::vector<Record> &records)
{
    std::size_t bytes = 0;
    for (const Record &r : records)
        for (const std::string &cell : r)
            bytes += 2 * std::size_t(QString::fromUtf8(cell.data(), qsizetype(cell.size())).size());
    return bytes;
}

QString sqlText(std::size_t characters, double accentedShare)
{
    static const char16_t kAccented[] = u"éàüöçñîèâêôûëïÿáíóúãõåæøÉÀÜÖÇÑ";
    std::mt19937 random(1252);
    std::bernoulli_distribution accent(accentedShare);
    QString sql;
    sql.reserve(qsizetype(characters) + 512);
    while (std::size_t(sql.size()) < characters) {
        QString words;
        for (int w = between(random, 6, 60); w > 0; --w) {
            // ASCII letters only here (quotes left out, as the batch doubles them): accents are put
            // in below, so their share is the one asked for.
            for (const char *c = pick(random, kWords); *c; ++c)
                if (static_cast<unsigned char>(*c) < 0x80 && *c != '\'')
                    words += QLatin1Char(*c);
            words += QLatin1Char(' ');
        }
        sql += QStringLiteral("UPDATE MemberDiscussionComment  SET CommentDescription = '%1', CommentGroup = %2, "
                              "CommentType = %3, Focuscenter = 1, FocusMembership = 0, FocusBeta = 0, "
                              "FocusFranchiseRelations = 1, RecordLastUpdated = GETDATE() WHERE MemberID = 1001 "
                              "AND CommentSequence = %4;")
                   .arg(words.trimmed())
                   .arg(between(random, 1, 5))
                   .arg(between(random, 1, 5))
                   .arg(between(random, 1, 100000));
    }
    sql.truncate(qsizetype(characters));
    if (accentedShare > 0) {
        std::uniform_int_distribution<std::size_t> which(0, std::size(kAccented) - 2);
        for (QChar &c : sql)
            if (c.isLetter() && accent(random))
                c = QChar(kAccented[which(random)]);
    }
    return sql;
}

} // namespace Bench
