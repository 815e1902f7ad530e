#pragma once
// The genre box: an editable combo box whose list is kept sorted by name without regard to case,
// every entry carrying its genre number. It tells a genre the user picked from the list apart from
// text the program set or the user typed.

#include <QComboBox>
#include <QStringList>

#include <optional>

class GenreBox : public QComboBox {
    Q_OBJECT
public:
    explicit GenreBox(QWidget *parent = nullptr);

    // Adds genreList[0..n) with their numbers 0..n-1 as item data; the list shows them sorted.
    void fill(const QStringList &genreList);

    // The number of the entry the user picked from the list, or typed exactly and confirmed with
    // Enter; std::nullopt after setText or after the user typed text of their own.
    std::optional<int> selectedGenreNumber() const { return m_selected; }

    void setText(const QString &text);  // no entry counts as selected afterwards
    QString text() const { return currentText(); }

private:
    void pick(int index);

    std::optional<int> m_selected;
};
