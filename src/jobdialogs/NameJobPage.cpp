#include "jobdialogs/NameJobPage.h"

#include "tags/jobs/NameJob.h"
#include "tags/jobs/PatternGuess.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

NameJobPage::NameJobPage(const QString &application, QWidget *parent) : JobPage(parent)
{
    patternBox = new RecentPatternBox(application, SettingsKeys::namePatterns, this);
    patternBox->setObjectName(QStringLiteral("namePattern"));
    patternBox->setToolTip(QStringLiteral("How the names read, such as \"%n - %a - %t\"; guessed from the folder's "
                                          "names, the last five patterns applied in the list"));
    auto *label = new QLabel(QStringLiteral("&Pattern:"), this);
    label->setBuddy(patternBox);
    matchCount = new QLabel(this);
    matchCount->setObjectName(QStringLiteral("nameMatchCount"));
    underscores = new QCheckBox(QStringLiteral("&_ as space"), this);
    underscores->setObjectName(QStringLiteral("nameUnderscores"));
    underscores->setToolTip(QStringLiteral("Read \"_\" in the names as a space"));
    auto *codes = new QLabel(QStringLiteral("%t title, %a artist, %l album, %y year, %c comment, %n track, "
                                            "%g genre, %x any text not kept; other characters match themselves."),
                             this);
    codes->setWordWrap(true);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(label, 0, 0);
    grid->addWidget(patternBox, 0, 1);
    grid->addWidget(matchCount, 0, 2);
    grid->addWidget(codes, 1, 1, 1, 2);
    grid->addWidget(underscores, 2, 1);
    grid->setColumnStretch(1, 1);

    connect(patternBox, &QComboBox::editTextChanged, this, [this] {
        countMatches();
        emit changed();
    });
    connect(underscores, &QCheckBox::toggled, this, [this] {
        countMatches();
        emit changed();
    });
}

void NameJobPage::start(const std::vector<JobFile> &files)
{
    m_names.clear();
    for (const JobFile &file : files)
        m_names << file.display;
    const PatternGuess guess = guessNamePattern(m_names, underscores->isChecked());
    const QSignalBlocker quiet(patternBox);  // the dialog plans once it has started
    patternBox->setEditText(guess.pattern.isEmpty() ? patternBox->itemText(0) : guess.pattern);
    countMatches();
}

NamePattern NameJobPage::pattern() const { return NamePattern(patternBox->currentText()); }

QList<TagField> NameJobPage::fields() const
{
    const std::vector<TagField> fields = nameJobFields(pattern());
    return QList<TagField>(fields.begin(), fields.end());
}

QString NameJobPage::problem() const
{
    const NamePattern p = pattern();
    return p.isValid() ? QString() : QStringLiteral("The pattern cannot be used: ") + p.problem();
}

JobPlanner NameJobPage::planner() const { return nameJobPlanner(pattern(), underscores->isChecked()); }

void NameJobPage::countMatches()
{
    const NamePattern p = pattern();
    PatternGuess count;
    count.total = int(m_names.size());
    if (p.isValid())
        for (const QString &name : m_names)
            if (p.match(baseNameOf(name), underscores->isChecked()))
                ++count.matches;
    matchCount->setText(count.countText());
}

void NameJobPage::applied() { patternBox->remember(); }
