#include "browser/TagPanel.h"

#include "session/EditSession.h"
#include "browser/GenreBox.h"
#include "tags/codepage/CodePage.h"
#include "tags/id3v1/GenreList.h"
#include "tags/id3v1/TagFields.h"
#include "tags/trailer/TagCore.h"

#include <QCheckBox>
#include <QLineEdit>

TagPanel::TagPanel(const BrowserPanel &controls, const EditSession &session, const QStringList &genreList)
    : c(controls), m_session(session), m_genreList(genreList)
{
}

bool TagPanel::kept(int index) const
{
    return c.ChkKeepTag[index]->checkState() != Qt::Unchecked;
}

void TagPanel::clearUnkept()
{
    for (int k = 0; k < 5; ++k)
        if (!kept(k))
            showField(k, QByteArray());
    if (!kept(5))
        c.CmbGenre->setText(QString());
}

void TagPanel::show(const TagReading &reading)
{
    if (!reading.tagged) {
        clearUnkept();
        return;
    }
    const QByteArray *fields[5] = {&reading.fields.title, &reading.fields.artist, &reading.fields.album,
                                   &reading.fields.year, &reading.fields.comment};
    for (int k = 0; k < 5; ++k)
        if (!kept(k))
            showField(k, *fields[k]);
    if (!kept(5)) {
        const QString name = Genres::nameOf(m_genreList, reading.fields.genre);
        c.CmbGenre->setText(name.isEmpty() ? QStringLiteral("Unknown") : name);
    }
}

Id3v1::Fields TagPanel::fieldsToSave(quint8 &genreNumber) const
{
    quint8 genre = Id3v1::NoGenre;
    if (!c.CmbGenre->text().isEmpty()) {
        if (const std::optional<int> picked = c.CmbGenre->selectedGenreNumber())
            genreNumber = quint8(*picked);
        genre = genreNumber;
    }
    Id3v1::Fields fields;
    QByteArray *texts[5] = {&fields.title, &fields.artist, &fields.album, &fields.year, &fields.comment};
    for (int k = 0; k < 5; ++k)
        *texts[k] = storedBytes(k);
    fields.genre = genre;
    return fields;
}

void TagPanel::showField(int index, const QByteArray &bytes)
{
    m_shownBytes[size_t(index)] = bytes;
    showText(index, CodePage::shown(m_session.codePage().decode(bytes)));
}

void TagPanel::showText(int index, const QString &text)
{
    // The validator would take out the replacement marks, which the page cannot store: a box
    // shows them until the user edits it, and a save gives back the bytes read for them.
    QLineEdit *box = c.TxtDispTag[index];
    const QValidator *validator = box->validator();
    box->setValidator(nullptr);
    box->setText(text);
    box->setValidator(validator);
}

bool TagPanel::showsItsBytes(int index, const CodePage &page) const
{
    const std::optional<QByteArray> &bytes = m_shownBytes[size_t(index)];
    return bytes && c.TxtDispTag[index]->text() == CodePage::shown(page.decode(*bytes));
}

bool TagPanel::showsItsBytes(int index) const
{
    return showsItsBytes(index, m_session.codePage());
}

QByteArray TagPanel::storedBytes(int index) const
{
    // A box left as it was shown gives back the bytes read, also those shown as a replacement
    // mark (half a character at a field's end, a pair the page leaves undefined).
    if (showsItsBytes(index))
        return *m_shownBytes[size_t(index)];
    return m_session.codePage().encode(c.TxtDispTag[index]->text());
}

bool TagPanel::redecode(const CodePage &previous)
{
    const CodePage &page = m_session.codePage();
    bool changed = false;
    for (int k = 0; k < 5; ++k) {
        QLineEdit *box = c.TxtDispTag[k];
        if (!showsItsBytes(k, previous))
            continue;  // the user's typing is never re-encoded behind their back
        const QString text = CodePage::shown(page.decode(*m_shownBytes[size_t(k)]));
        if (text != box->text()) {
            showText(k, text);
            changed = true;
        }
    }
    return changed;
}

QString TagPanel::storeProblem() const
{
    const CodePage &page = m_session.codePage();
    for (int k = 0; k < 5; ++k) {
        if (showsItsBytes(k))
            continue;  // saved as read
        const QString text = c.TxtDispTag[k]->text();
        const QString field = c.TxtDispTag[k]->toolTip();
        if (!page.canEncode(text))
            return QStringLiteral("The %1 holds characters that %2 cannot store: change it, or choose "
                                  "another page under Tags > Code Page. Nothing was saved.")
                .arg(field, page.title());
        if (!page.fits(text, textFields()[size_t(k)].width))
            return QStringLiteral("The %1 takes more than %2 bytes in %3: shorten it, or choose another "
                                  "page under Tags > Code Page. Nothing was saved.")
                .arg(field)
                .arg(textFields()[size_t(k)].width)
                .arg(page.title());
    }
    return {};
}
