#include "browser/GenreBox.h"

#include <algorithm>
#include <numeric>
#include <vector>

GenreBox::GenreBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    // Typed text stays as typed: no new entries, no completion that rewrites it.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
}

void GenreBox::fill(const QStringList &genreList)
{
    std::vector<int> order(size_t(genreList.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = genreList[a].compare(genreList[b], Qt::CaseInsensitive);
        return c != 0 ? c < 0 : genreList[a] < genreList[b];
    });
    const QSignalBlocker blocker(this);
    clear();
    for (int n : order)
        addItem(genreList[n], n);
    setCurrentIndex(-1);
}

std::optional<int> GenreBox::selectedGenreNumber() const
{
    const QString shown = currentText();
    if (shown.isEmpty())
        return std::nullopt;
    const int index = findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
    const QVariant number = index >= 0 ? itemData(index) : QVariant();
    return number.isValid() ? std::optional<int>(number.toInt()) : std::nullopt;
}

void GenreBox::setText(const QString &text)
{
    {
        // Leaving the entry is part of setting the text, not a choice of its own.
        const QSignalBlocker blocker(this);
        setCurrentIndex(-1);
    }
    setEditText(text);
}
