#pragma once

// Realistic data for the benchmarks: comment records as the server page stores them, the load
// reply it writes for them, and SQL text to encode. Everything is generated from a fixed seed.

#include <QString>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace Bench {

// One comment record: the 14 cell texts in column order, UTF-8.
using Record = std::array<std::string, 14>;

// How the CommentSequence cells are written.
enum class Sequences { Plain, Changed };

// n records with descriptions of 40 to 400 characters (some quotes, ampersands and accented
// letters), in ascending sequence order as the server sends them; Changed marks every row "U".
std::vector<Record> makeRecords(std::size_t n, Sequences sequences = Sequences::Plain);

// The load reply for the records, in the server page's layout (no blanks between elements).
std::string loadReply(const std::vector<Record> &records);

// The bytes the records' cells take as UTF-16.
std::size_t utf16Bytes(const std::vector<Record> &records);

// About `characters` characters of SQL statements; accentedShare of the letters are accented.
QString sqlText(std::size_t characters, double accentedShare);

} // namespace Bench
