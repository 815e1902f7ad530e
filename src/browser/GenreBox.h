#pragma once
// The genre box: an editable combo box whose list is kept sorted by name without regard to case,
// every entry carrying its genre number. The genre it stands for is the entry its text names.

#include <QComboBox>
#include <QStringList>

#include <optional>

class GenreBox : public QComboBox {
    Q_OBJECT
public:
    explicit GenreBox(QWidget *parent = nullptr);

    // Adds genreList[0..n) with their numbers 0..n-1 as item data; the list shows them sorted.
    void fill(const QStringList &genreList);

    // The number of the entry whose name the box shows, letter case included, however the text
    // got there (picked from the list, typed, or set by the program); std::nullopt for any other
    // text ("Unknown", a genre of the user's own, empty text). A save writes what is shown.
    std::optional<int> selectedGenreNumber() const;

    void setText(const QString &text);
    QString text() const { return currentText(); }
};
