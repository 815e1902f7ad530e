#include "jobdialogs/ValuesJobPage.h"

#include "browser/GenreBox.h"
#include "tags/jobs/TextFields.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>

namespace {

const TagField fieldOfTick[] = {TagField::Artist, TagField::Album, TagField::Year, TagField::Comment, TagField::Genre};
const char *const captions[] = {"A&rtist", "Al&bum", "&Year", "Co&mment", "&Genre"};
constexpr int GenreTick = 4;

}  // namespace

ValuesJobPage::ValuesJobPage(const QStringList &genreList, QWidget *parent) : JobPage(parent)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < int(ticks.size()); ++i) {
        ticks[i] = new QCheckBox(QLatin1String(captions[i]), this);
        ticks[i]->setObjectName(QStringLiteral("valueTick%1").arg(i));
        grid->addWidget(ticks[i], i, 0);
        connect(ticks[i], &QCheckBox::toggled, this, &JobPage::changed);
        QWidget *editor;
        if (i == GenreTick) {
            genre = new GenreBox(this);
            genre->fill(genreList);
            genre->setText(QString());
            editor = genre;
            connect(genre, &QComboBox::editTextChanged, this, [this] {
                ticks[GenreTick]->setChecked(true);
                emit changed();
            });
        } else {
            boxes[i] = new QLineEdit(this);
            editor = boxes[i];
            connect(boxes[i], &QLineEdit::textEdited, this, [this, i] {
                ticks[i]->setChecked(true);
                emit changed();
            });
        }
        editor->setObjectName(QStringLiteral("valueBox%1").arg(i));
        grid->addWidget(editor, i, 1);
    }
    grid->setColumnStretch(1, 1);
}

QList<TagField> ValuesJobPage::fields() const
{
    QList<TagField> fields;
    for (int i = 0; i < int(ticks.size()); ++i)
        if (ticks[i]->isChecked())
            fields << fieldOfTick[i];
    return fields;
}

QString ValuesJobPage::problem() const
{
    if (ticks[GenreTick]->isChecked() && !genre->selectedGenreNumber())
        return QStringLiteral("The genre is not one of the list.");
    return fields().isEmpty() ? QStringLiteral("Tick the values to write.") : QString();
}

JobPlanner ValuesJobPage::planner() const
{
    FieldEdits edits;
    for (int i = 0; i < int(boxes.size()); ++i)
        if (ticks[i]->isChecked())
            *editOf(edits, fieldOfTick[i]) = boxes[i]->text();
    if (ticks[GenreTick]->isChecked())
        if (const std::optional<int> number = genre->selectedGenreNumber())
            edits.genre = quint8(*number);
    return valuesPlanner(edits);
}
