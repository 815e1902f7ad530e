#pragma once
// The genre table: the names of the genre numbers 0 to 129 stored in the trailer's last byte.

#include <QString>
#include <QStringList>

namespace Genres {

constexpr int Count = 130;

// The 130 names, in number order.
QStringList buildGenreList();

// The name of a genre number; empty text for numbers outside the table (130..255, or negative).
QString nameOf(const QStringList &genreList, int number);

}  // namespace Genres
