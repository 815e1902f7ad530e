#include "browser/Id3v2Marks.h"

#include "session/EditSession.h"
#include "browser/GenreBox.h"
#include "browser/Mp3List.h"
#include "browser/TagPanel.h"
#include "tags/codepage/CodePage.h"
#include "tags/id3v1/GenreList.h"
#include "tags/text/Message.h"
#include "tags/text/TextEscape.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTextDocument>

#include <algorithm>

Id3v2Marks::Id3v2Marks(const BrowserPanel &controls, const TagPanel &panel, const EditSession &session,
                       const QStringList &genreList, QObject *parent)
    : QObject(parent), c(controls), m_panel(panel), m_session(session), m_genreList(genreList)
{
    for (const TagFieldInfo &info : tagFields()) {
        if (info.windowRow < 0)
            continue;
        const TagField field = info.field;
        auto *mark = new QLabel(QStringLiteral("\u2260"), box(field)->parentWidget());
        mark->setObjectName(QStringLiteral("Id3v2Mark%1").arg(int(field)));
        mark->setAlignment(Qt::AlignCenter);
        QFont bold = mark->font();
        bold.setBold(true);
        mark->setFont(bold);
        mark->setAccessibleName(QStringLiteral("Differs from the ID3v2 tag"));
        mark->hide();
        m_marks[size_t(field)] = mark;
    }
    // The marks belong to the file loaded from the list as it was: a rebuilt list clears them.
    connect(c.lv1->model(), &QAbstractItemModel::modelReset, this, &Id3v2Marks::clear);
}

QWidget *Id3v2Marks::box(TagField field) const
{
    if (field == TagField::Genre)
        return c.CmbGenre;
    return c.TxtDispTag[size_t(tagField(field).windowRow)];
}

void Id3v2Marks::clear()
{
    for (QLabel *mark : m_marks)
        if (mark)
            mark->hide();
    m_values = {};
    setAvailable(false);
}

void Id3v2Marks::setAvailable(bool available)
{
    if (available == m_available)
        return;
    m_available = available;
    emit canFillChanged(available);
}

void Id3v2Marks::load()
{
    clear();
    const TagReading &reading = m_session.reading();
    const Id3v2Reading &v2 = m_session.id3v2();  // read with the trailer, in the click's one open
    if (!reading.status || !v2.status || !v2.present || !v2.problem.isEmpty())
        return;
    m_values = v2.values;
    for (TagField field : differingFields(reading.fields, reading.tagged, m_values, m_session.codePage()))
        showMark(field, m_values.*tagField(field).id3v2);
    setAvailable(true);
}

// The mark sits in the gap between the box and its Keep box, so no control moves.
void Id3v2Marks::showMark(TagField field, const QString &value)
{
    QLabel *mark = m_marks[size_t(field)];
    const QRect boxArea = box(field)->geometry();
    const int right = c.ChkKeepTag[size_t(tagField(field).windowRow)]->geometry().left();
    mark->setGeometry(boxArea.right() + 1, boxArea.top(), qMax(8, right - boxArea.right() - 1), boxArea.height());
    const QString text = QStringLiteral("ID3v2 %1: %2")
                             .arg(QLatin1String(fieldName(field)), TextEscape::visible(value, false));
    mark->setToolTip(Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap));  // tag text is never markup
    mark->setAccessibleDescription(text);
    mark->show();
    mark->raise();
}

void Id3v2Marks::setBox(TagField field, const Id3v1::Fields &fields)
{
    const TagFieldInfo &info = tagField(field);
    if (info.bytes)
        c.TxtDispTag[size_t(info.windowRow)]->setText(m_session.codePage().decode(fields.*info.bytes));
    else if (field == TagField::Genre)
        c.CmbGenre->setText(Genres::nameOf(m_genreList, fields.genre));
}

std::vector<TagField> Id3v2Marks::fill()
{
    if (!m_available)
        return {};
    quint8 genre = m_session.reading().fields.genre;
    const Id3v1::Fields shown = m_panel.fieldsToSave(genre);
    const int commentWidth = m_session.reading().track() ? Id3v1::CommentBesideTrackWidth : Id3v1::CommentWidth;
    const Id3v2Fill filled = fillFromId3v2(shown, m_values, m_session.codePage(), commentWidth);
    std::vector<TagField> cut;
    for (TagField field : filled.filled) {
        if (m_panel.kept(tagField(field).windowRow))
            continue;
        const bool whole = std::find(filled.cut.begin(), filled.cut.end(), field) == filled.cut.end();
        if (!whole)
            cut.push_back(field);
        // A genre the table lacks cannot be stored at all: its box keeps what it shows.
        if (whole || field != TagField::Genre)
            setBox(field, filled.fields);
    }
    if (!cut.empty())
        Message::show(cutText(cut));
    return cut;
}

QString Id3v2Marks::cutText(const std::vector<TagField> &cut)
{
    QStringList names;
    for (TagField field : cut)
        names << QLatin1String(fieldName(field));
    return QStringLiteral("Not filled whole from the ID3v2 tag (too long for the field, a character the code "
                          "page lacks, or a genre not in the list): %1.")
        .arg(names.join(QStringLiteral(", ")));
}
