#include "tags/jobs/NamePattern.h"

#include "tags/id3v1/Id3v1.h"

namespace {

std::optional<NameField> fieldOfCode(QChar code)
{
    switch (code.unicode()) {
    case 't': return NameField::Title;
    case 'a': return NameField::Artist;
    case 'l': return NameField::Album;
    case 'y': return NameField::Year;
    case 'c': return NameField::Comment;
    case 'n': return NameField::Track;
    case 'g': return NameField::Genre;
    case 'x': return NameField::Ignored;
    default: return std::nullopt;
    }
}

bool takesDigits(NameField field)
{
    return field == NameField::Track || field == NameField::Year;
}

// Spaces only: a tab in a name is kept where it is, and shows up as a character the page refuses.
QString trimmedSpaces(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

// Why value cannot be the field's; empty when it can.
QString valueProblem(NameField field, const QString &value)
{
    if (value.isEmpty())
        return QStringLiteral("the %1 is empty").arg(nameFieldName(field));
    if (!takesDigits(field))
        return {};
    if (!isDigitsOnly(value))
        return QStringLiteral("the %1 '%2' is not a number").arg(nameFieldName(field), value);
    if (field != NameField::Track)
        return {};
    // Leading zeros aside, more than three digits is past any track (and past int).
    qsizetype zeros = 0;
    while (zeros < value.size() && value.at(zeros) == u'0')
        ++zeros;
    const QString digits = value.mid(zeros);
    if (digits.isEmpty())
        return QStringLiteral("track number %1 is below 1").arg(value);
    if (digits.size() > 3 || digits.toInt() > Id3v1::MaxTrack)
        return QStringLiteral("track number %1 is above 255").arg(digits);
    return {};
}

}  // namespace

NamePattern::NamePattern(const QString &text) : m_text(text)
{
    parse();
}

void NamePattern::parse()
{
    unsigned seen = 0;
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        const QChar c = m_text.at(i);
        if (c != u'%' || (i + 1 < m_text.size() && m_text.at(i + 1) == u'%')) {
            if (m_pieces.empty() || m_pieces.back().isCode)
                m_pieces.push_back({});
            m_pieces.back().literal += c;
            i += c == u'%';  // "%%"
            continue;
        }
        if (i + 1 >= m_text.size()) {
            m_problem = QStringLiteral("the pattern ends with a lone \"%\"");
            return;
        }
        const std::optional<NameField> field = fieldOfCode(m_text.at(++i));
        if (!field) {
            m_problem = QStringLiteral("\"%%1\" is not a code (use %t %a %l %y %c %n %g %x, or %% for a percent sign)")
                            .arg(m_text.at(i));
            return;
        }
        if (*field != NameField::Ignored && (seen & (1u << int(*field)))) {
            m_problem = QStringLiteral("\"%%1\" is named twice").arg(m_text.at(i));
            return;
        }
        // Without text between them, where one value ends and the next begins is anyone's guess.
        if (!m_pieces.empty() && m_pieces.back().isCode && !takesDigits(m_pieces.back().field)) {
            m_problem = QStringLiteral("two codes need text between them (only %n and %y may be followed by a code)");
            return;
        }
        seen |= 1u << int(*field);
        m_pieces.push_back({true, *field, {}});
    }
    if (fieldCount() == 0)
        m_problem = QStringLiteral("the pattern names no field (%t %a %l %y %c %n %g)");
}

int NamePattern::fieldCount() const
{
    int count = 0;
    for (const Piece &piece : m_pieces)
        count += piece.isCode && piece.field != NameField::Ignored;
    return count;
}

std::vector<NameField> NamePattern::fieldsInOrder() const
{
    std::vector<NameField> fields;
    for (const Piece &piece : m_pieces) {
        if (piece.isCode && piece.field != NameField::Ignored)
            fields.push_back(piece.field);
    }
    return fields;
}

bool NamePattern::names(NameField field) const
{
    for (const Piece &piece : m_pieces) {
        if (piece.isCode && piece.field == field)
            return true;
    }
    return false;
}

int NamePattern::digitFieldCount() const
{
    int count = 0;
    for (const Piece &piece : m_pieces)
        count += piece.isCode && takesDigits(piece.field);
    return count;
}

int NamePattern::literalLength() const
{
    int length = 0;
    for (const Piece &piece : m_pieces)
        length += int(piece.literal.size());
    return length;
}

std::optional<NameValues> NamePattern::match(const QString &baseName, bool underscores, QString *why) const
{
    QString unused;
    QString &reason = why ? *why : unused;
    if (!isValid()) {
        reason = m_problem;
        return std::nullopt;
    }
    QString name = baseName;
    if (underscores)
        name.replace(u'_', u' ');
    NameValues found;
    qsizetype at = 0;
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        const Piece &piece = m_pieces[i];
        const bool last = i + 1 == m_pieces.size();
        if (!piece.isCode) {
            // A closing literal ends the name; any other must come next (only a leading one can fail).
            if (last ? !name.endsWith(piece.literal) || name.size() - piece.literal.size() != at
                     : !QStringView(name).mid(at).startsWith(piece.literal)) {
                reason = QStringLiteral("does not %1 with '%2'").arg(last ? "end" : "begin", piece.literal);
                return std::nullopt;
            }
            at += piece.literal.size();
            continue;
        }
        qsizetype end = name.size();
        if (!last) {
            const Piece &next = m_pieces[i + 1];
            if (next.isCode) {
                end = at;  // a digit code followed by a code takes every digit
                while (end < name.size() && name.at(end) >= u'0' && name.at(end) <= u'9')
                    ++end;
            } else if (i + 2 == m_pieces.size()) {
                end = name.size() - next.literal.size();  // up to the closing literal
                if (end < at || !name.endsWith(next.literal)) {
                    reason = QStringLiteral("does not end with '%1'").arg(next.literal);
                    return std::nullopt;
                }
            } else {
                end = name.indexOf(next.literal, at);
                if (end < 0) {
                    reason = QStringLiteral("no '%1' after the %2").arg(next.literal, nameFieldName(piece.field));
                    return std::nullopt;
                }
            }
        }
        const QString value = trimmedSpaces(name.mid(at, end - at));
        at = end;
        if (piece.field == NameField::Ignored)
            continue;
        reason = valueProblem(piece.field, value);
        if (!reason.isEmpty())
            return std::nullopt;
        found.values[size_t(piece.field)] = value;
    }
    return found;
}

const char *nameFieldName(NameField field)
{
    static const char *const names[] = {"title",   "artist",       "album", "year",
                                        "comment", "track number", "genre", "ignored part"};
    return names[size_t(field)];
}

QString NamePattern::compose(const NameValues &values) const
{
    QString text;
    for (const Piece &piece : m_pieces)
        text += piece.isCode ? values[piece.field].value_or(QString()) : piece.literal;
    return text;
}

bool isDigitsOnly(QStringView text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !text.isEmpty();
}

QString baseNameOf(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot > 0 ? fileName.left(dot) : fileName;
}
