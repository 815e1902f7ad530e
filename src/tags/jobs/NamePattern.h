#pragma once
// A file-name pattern such as "%n - %a - %t": the codes %t title, %a artist, %l album, %y year,
// %c comment, %n track number, %g genre (by name) and %x text that is not kept; "%%" is a percent
// sign and every other character matches itself. A code takes the shortest text up to the literal
// that follows it, the last code takes the rest; %n and %y take digits only.

#include <QString>

#include <array>
#include <optional>
#include <vector>

enum class NameField { Title, Artist, Album, Year, Comment, Track, Genre, Ignored };
constexpr int NameFieldCount = 8;

// The values a name gave, trimmed of spaces; only the fields the pattern names are set.
struct NameValues {
    std::array<std::optional<QString>, NameFieldCount> values;
    const std::optional<QString> &operator[](NameField field) const { return values[size_t(field)]; }
    std::optional<QString> &operator[](NameField field) { return values[size_t(field)]; }
};

class NamePattern {
public:
    explicit NamePattern(const QString &text);

    const QString &text() const { return m_text; }
    // Why the pattern cannot be used (an unknown code, a field named twice, two codes with no
    // text between them, no code at all); empty when it can.
    const QString &problem() const { return m_problem; }
    bool isValid() const { return m_problem.isEmpty(); }
    // The fields it fills (%x not counted).
    int fieldCount() const;
    bool names(NameField field) const;
    // The fields it fills in the order the name holds them (%x not counted).
    std::vector<NameField> fieldsInOrder() const;
    // The fields that take digits only (%n, %y): a match of such a pattern says more.
    int digitFieldCount() const;
    // Characters it matches literally: with equal matches, the pattern that explains more wins.
    int literalLength() const;

    // baseName is the file name without its extension; underscores: "_" reads as a space. No value
    // when the name does not match as a whole, or a field would be empty or out of range; why then
    // says which ("no ' - ' after the artist", "track number 1000 is above 255").
    std::optional<NameValues> match(const QString &baseName, bool underscores = false, QString *why = nullptr) const;

    // The reverse of match: the pattern written out with each code's value ("%%" as "%"); a code
    // without a value, and %x, write nothing.
    QString compose(const NameValues &values) const;

private:
    struct Piece {
        bool isCode = false;
        NameField field = NameField::Ignored;
        QString literal;
    };
    void parse();

    QString m_text;
    QString m_problem;
    std::vector<Piece> m_pieces;
};

// The field as reasons name it: "title", "track number", ...
const char *nameFieldName(NameField field);

// Whether text is one or more of the digits 0 to 9.
bool isDigitsOnly(QStringView text);

// The file name without its last extension ("a.b.mp3" -> "a.b").
QString baseNameOf(const QString &fileName);
