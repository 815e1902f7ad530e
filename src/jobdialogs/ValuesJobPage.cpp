#include "jobdialogs/ValuesJobPage.h"

#include "browser/GenreBox.h"
#include "tags/codepage/CodePage.h"
#include "tags/jobs/NamePattern.h"

#include <algorithm>

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

const TagField fieldOfTick[] = {TagField::Artist, TagField::Album, TagField::Year, TagField::Comment, TagField::Genre};
const char *const captions[] = {"A&rtist", "Al&bum", "&Year", "Co&mment", "&Genre"};
constexpr int GenreTick = 4;
constexpr int YearBox = 2;

const QString marked = QStringLiteral("background-color: #fde2e1;");

QString fieldName(int tick) { return QString::fromLatin1(captions[tick]).remove(u'&'); }

}  // namespace

ValuesJobPage::ValuesJobPage(const QStringList &genreList, const CodePage &page, QWidget *parent)
    : JobPage(parent), m_page(page)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < int(ticks.size()); ++i) {
        ticks[i] = new QCheckBox(QLatin1String(captions[i]), this);
        ticks[i]->setObjectName(QStringLiteral("valueTick%1").arg(i));
        ticks[i]->setToolTip(QStringLiteral("Write the %1 below to every file").arg(fieldName(i).toLower()));
        ticks[i]->installEventFilter(this);  // its access key goes to the box
        grid->addWidget(ticks[i], i, 0);
        connect(ticks[i], &QCheckBox::toggled, this, [this] {
            showNotes();
            emit changed();
        });
        QWidget *editor;
        if (i == GenreTick) {
            genre = new GenreBox(this);
            genre->fill(genreList);
            genre->setText(QString());
            editor = genre;
            connect(genre, &QComboBox::editTextChanged, this, [this] {
                ticks[GenreTick]->setChecked(true);
                showNotes();
                emit changed();
            });
        } else {
            boxes[i] = new QLineEdit(this);
            editor = boxes[i];
            notes[i] = new QLabel(this);
            notes[i]->setObjectName(QStringLiteral("valueBytes%1").arg(i));
            grid->addWidget(notes[i], i, 2);
            connect(boxes[i], &QLineEdit::textEdited, this, [this, i] {
                ticks[i]->setChecked(true);
                showNotes();
                emit changed();
            });
        }
        editor->setObjectName(QStringLiteral("valueBox%1").arg(i));
        editor->setToolTip(i == GenreTick ? QStringLiteral("A genre of the list; typing ticks it")
                                          : QStringLiteral("The %1 every file gets; typing ticks it (%2 bytes at most)")
                                                .arg(fieldName(i).toLower())
                                                .arg(tagField(fieldOfTick[i]).width));
        grid->addWidget(editor, i, 1);
    }
    grid->setColumnStretch(1, 1);
    showNotes();
}

bool ValuesJobPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Shortcut) {
        for (int i = 0; i < int(ticks.size()); ++i) {
            if (watched != ticks[i])
                continue;
            // The cursor goes into the box, its text selected: what is typed next is the value.
            QWidget *editor = i == GenreTick ? static_cast<QWidget *>(genre) : boxes[i];
            editor->setFocus(Qt::ShortcutFocusReason);
            if (i == GenreTick)
                genre->lineEdit()->selectAll();
            else
                boxes[i]->selectAll();
            return true;
        }
    }
    return JobPage::eventFilter(watched, event);
}

void ValuesJobPage::read(const std::vector<TagReading> &readings)
{
    // The cursor starts in the first box whose field no file has yet: that is what the job is for.
    for (int i = 0; i < int(boxes.size()); ++i) {
        const bool noneHasIt = std::all_of(readings.begin(), readings.end(), [&](const TagReading &reading) {
            return fieldText(reading, fieldOfTick[i], m_page).trimmed().isEmpty();
        });
        if (noneHasIt && !readings.empty()) {
            boxes[i]->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

QString ValuesJobPage::boxProblem(int box) const
{
    if (!ticks[box]->isChecked())
        return {};
    if (box == GenreTick)
        return genre->selectedGenreNumber() ? QString() : QStringLiteral("The genre is not one of the list.");
    const QString text = boxes[box]->text();
    const int width = tagField(fieldOfTick[box]).width;
    if (!m_page.canEncode(text))
        return QStringLiteral("The %1 cannot be stored in the chosen code page (%2).")
            .arg(fieldName(box).toLower())
            .arg(m_page.number());
    if (const qsizetype used = m_page.encode(text).size(); used > width)
        return QStringLiteral("The %1 takes %2 bytes of %3.").arg(fieldName(box).toLower()).arg(used).arg(width);
    return {};
}

void ValuesJobPage::showNotes()
{
    for (int i = 0; i < int(ticks.size()); ++i) {
        const QString problem = boxProblem(i);
        QWidget *editor = i == GenreTick ? static_cast<QWidget *>(genre) : boxes[i];
        editor->setStyleSheet(problem.isEmpty() ? QString() : marked);
        if (i == GenreTick)
            continue;
        const QString text = boxes[i]->text();
        QString note = QStringLiteral("%1/%2").arg(m_page.encode(text).size()).arg(tagField(fieldOfTick[i]).width);
        QString why = problem;
        if (i == YearBox && text.size() == 2 && isDigitsOnly(text)) {
            note += QStringLiteral(" 19%1 or 20%1?").arg(text);
            why = QStringLiteral("A year has four digits: \"%1\" is written as it is.").arg(text);
        }
        notes[i]->setText(note);
        notes[i]->setToolTip(why.isEmpty() ? QStringLiteral("Bytes the value takes in the chosen code page, of the "
                                                            "field's")
                                           : why);
        notes[i]->setStyleSheet(why.isEmpty() ? QString() : QStringLiteral("color: #b3261e;"));
    }
}

QList<TagField> ValuesJobPage::fields() const
{
    QList<TagField> fields;
    for (int i = 0; i < int(ticks.size()); ++i)
        if (ticks[i]->isChecked() && boxProblem(i).isEmpty())
            fields << fieldOfTick[i];
    return fields;
}

QString ValuesJobPage::problem() const
{
    for (const QCheckBox *tick : ticks)
        if (tick->isChecked())
            return {};
    return QStringLiteral("Tick the values to write.");
}

QString ValuesJobPage::applyProblem() const
{
    QStringList problems;
    for (int i = 0; i < int(ticks.size()); ++i)
        if (const QString problem = boxProblem(i); !problem.isEmpty())
            problems << problem;
    return problems.join(u' ');
}

JobPlanner ValuesJobPage::planner() const
{
    // A value held back at its box is left out: the preview shows what the others would do.
    FieldEdits edits;
    for (int i = 0; i < int(boxes.size()); ++i)
        if (ticks[i]->isChecked() && boxProblem(i).isEmpty())
            *editOf(edits, fieldOfTick[i]) = boxes[i]->text();
    if (ticks[GenreTick]->isChecked())
        if (const std::optional<int> number = genre->selectedGenreNumber())
            edits.genre = quint8(*number);
    return valuesPlanner(edits);
}
