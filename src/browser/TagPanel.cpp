#include "browser/TagPanel.h"

#include "browser/CodePageValidator.h"
#include "browser/GenreBox.h"
#include "tags/CodePage.h"
#include "tags/GenreList.h"
#include "tags/TagCore.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

constexpr int FieldBytes[5] = {Id3v1::TitleWidth, Id3v1::ArtistWidth, Id3v1::AlbumWidth, Id3v1::YearWidth,
                               Id3v1::CommentWidth};

}  // namespace

TagPanel::TagPanel(const BrowserControls &controls, const QStringList &genreList)
    : c(controls), m_genreList(genreList), m_page(&CodePage::system())
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
    quint8 genre = 255;
    if (!c.CmbGenre->text().isEmpty()) {
        if (const std::optional<int> picked = c.CmbGenre->selectedGenreNumber())
            genreNumber = quint8(*picked);
        genre = genreNumber;
    }
    const CodePage &page = *m_page;
    Id3v1::Fields fields;
    fields.title = page.encode(c.TxtDispTag[0]->text());
    fields.artist = page.encode(c.TxtDispTag[1]->text());
    fields.album = page.encode(c.TxtDispTag[2]->text());
    fields.year = page.encode(c.TxtDispTag[3]->text());
    fields.comment = page.encode(c.TxtDispTag[4]->text());
    fields.genre = genre;
    return fields;
}

void TagPanel::showField(int index, const QByteArray &bytes)
{
    m_shownBytes[size_t(index)] = bytes;
    // Kept-byte marks stay in the box, so a save gives back every byte that was read.
    c.TxtDispTag[index]->setText(m_page->decode(bytes));
}

bool TagPanel::showsItsBytes(int index) const
{
    const std::optional<QByteArray> &bytes = m_shownBytes[size_t(index)];
    return bytes && c.TxtDispTag[index]->text() == m_page->decode(*bytes);
}

bool TagPanel::setCodePage(const CodePage &page)
{
    bool changed = false;
    std::array<bool, 5> unedited{};
    for (int k = 0; k < 5; ++k)
        unedited[size_t(k)] = showsItsBytes(k);
    m_page = &page;
    for (int k = 0; k < 5; ++k) {
        QLineEdit *box = c.TxtDispTag[k];
        if (auto *validator = box->findChild<CodePageValidator *>())
            validator->setCodePage(page);
        if (!unedited[size_t(k)])
            continue;  // the user's typing is never re-encoded behind their back
        const QString text = page.decode(*m_shownBytes[size_t(k)]);
        if (text != box->text()) {
            box->setText(text);
            changed = true;
        }
    }
    return changed;
}

QString TagPanel::storeProblem() const
{
    for (int k = 0; k < 5; ++k) {
        const QString text = c.TxtDispTag[k]->text();
        const QString field = c.TxtDispTag[k]->toolTip();
        if (!m_page->canEncode(text))
            return QStringLiteral("The %1 holds characters that %2 cannot store: change it, or choose "
                                  "another page under Tags > Code Page. Nothing was saved.")
                .arg(field, m_page->title());
        if (!m_page->fits(text, FieldBytes[k]))
            return QStringLiteral("The %1 takes more than %2 bytes in %3: shorten it, or choose another "
                                  "page under Tags > Code Page. Nothing was saved.")
                .arg(field)
                .arg(FieldBytes[k])
                .arg(m_page->title());
    }
    return {};
}
