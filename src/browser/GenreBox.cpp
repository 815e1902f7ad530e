#include "GenreBox.h"

#include <QLineEdit>

#include <algorithm>
#include <numeric>
#include <vector>

GenreBox::GenreBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    // Typed text stays as typed: no new entries, no completion that rewrites it.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(this, &QComboBox::activated, this, &GenreBox::pick);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { m_selected.reset(); });
    connect(lineEdit(), &QLineEdit::returnPressed, this, [this] {
        const int index = findText(currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0) {
            setCurrentIndex(index);
            pick(index);
        }
    });
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
    m_selected.reset();
}

void GenreBox::setText(const QString &text)
{
    {
        // Leaving the entry is part of setting the text, not a choice of its own.
        const QSignalBlocker blocker(this);
        setCurrentIndex(-1);
    }
    setEditText(text);
    m_selected.reset();
}

void GenreBox::pick(int index)
{
    const QVariant number = itemData(index);
    if (number.isValid())
        m_selected = number.toInt();
    else
        m_selected.reset();
}
