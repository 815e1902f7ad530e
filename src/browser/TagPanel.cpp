#include "browser/TagPanel.h"

#include "tags/CodePage.h"
#include "browser/GenreBox.h"
#include "tags/GenreList.h"
#include "tags/TagCore.h"

#include <QCheckBox>
#include <QLineEdit>

bool TagPanel::kept(int index) const
{
    return c.ChkKeepTag[index]->checkState() != Qt::Unchecked;
}

void TagPanel::clearUnkept()
{
    for (int k = 0; k < 5; ++k)
        if (!kept(k))
            c.TxtDispTag[k]->setText(QString());
    if (!kept(5))
        c.CmbGenre->setText(QString());
}

void TagPanel::show(const TagReading &reading)
{
    if (!reading.tagged) {
        clearUnkept();
        return;
    }
    const CodePage &page = CodePage::system();
    const QByteArray *fields[5] = {&reading.fields.title, &reading.fields.artist, &reading.fields.album,
                                   &reading.fields.year, &reading.fields.comment};
    for (int k = 0; k < 5; ++k)
        if (!kept(k))
            c.TxtDispTag[k]->setText(page.decode(*fields[k]));
    if (!kept(5)) {
        const QString name = Genres::nameOf(m_genreList, reading.fields.genre);
        c.CmbGenre->setText(name.isEmpty() ? QStringLiteral("Unknown") : name);
    }
}

Id3v1::Fields TagPanel::fieldsToSave(quint8 &genreNumber) const
{
    quint8 genre = 255;
    if (!c.CmbGenre->text().isEmpty()) {
        if (const std::optional<int> picked = c.CmbGenre->selectedGenreNumber())
            genreNumber = quint8(*picked);
        genre = genreNumber;
    }
    const CodePage &page = CodePage::system();
    Id3v1::Fields fields;
    fields.title = page.encode(c.TxtDispTag[0]->text());
    fields.artist = page.encode(c.TxtDispTag[1]->text());
    fields.album = page.encode(c.TxtDispTag[2]->text());
    fields.year = page.encode(c.TxtDispTag[3]->text());
    fields.comment = page.encode(c.TxtDispTag[4]->text());
    fields.genre = genre;
    return fields;
}
