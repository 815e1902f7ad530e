#include "jobdialogs/RenameJobPage.h"

#include "session/EditSession.h"
#include "tags/trailer/MdlDefault.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

RenameJobPage::RenameJobPage(const MdlDefault &settings, const EditSession &session, const QString &application,
                             QWidget *parent)
    : JobPage(parent), m_session(session)
{
    style = new QComboBox(this);
    style->setObjectName(QStringLiteral("renameStyle"));
    style->addItems({QStringLiteral("Long names: \"Artist-Title.MP3\""), QStringLiteral("8.3 names: \"ARTITITL.MP3\""),
                     QStringLiteral("By the pattern")});
    style->setToolTip(QStringLiteral("How each file is named from its tags: as New Filename proposes it (long or "
                                     "8.3), or by the pattern"));
    auto *styleLabel = new QLabel(QStringLiteral("&Names:"), this);
    styleLabel->setBuddy(style);
    patternBox = new RecentPatternBox(application, SettingsKeys::renamePatterns, this);
    patternBox->setObjectName(QStringLiteral("renamePattern"));
    patternBox->setToolTip(QStringLiteral("The new name, such as \"%n - %t\"; the extension stays as the file has it. "
                                          "The last five patterns applied are in the list."));
    auto *patternLabel = new QLabel(QStringLiteral("&Pattern:"), this);
    patternLabel->setBuddy(patternBox);
    auto *codes = new QLabel(QStringLiteral("%n track (two digits), %t title, %a artist, %l album, %y year, "
                                            "%c comment, %g genre; other characters are written as they are."),
                             this);
    codes->setWordWrap(true);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(styleLabel, 0, 0);
    grid->addWidget(style, 0, 1);
    grid->addWidget(patternLabel, 1, 0);
    grid->addWidget(patternBox, 1, 1);
    grid->addWidget(codes, 2, 1);
    grid->setColumnStretch(1, 1);

    // A pattern offered again is the likely choice; else the style the settings ask for.
    style->setCurrentIndex(patternBox->count() ? ByPattern : settings.SupportLFN ? LongNames : ShortNames);
    connect(style, &QComboBox::currentIndexChanged, this, &JobPage::changed);
    // Typing a pattern, or taking one from the list, chooses it.
    connect(patternBox, &QComboBox::editTextChanged, this, [this] {
        const QSignalBlocker once(style);  // one plan for the change
        style->setCurrentIndex(ByPattern);
        emit changed();
    });
}

// The cursor starts in the pattern: typing one is the likely next step.
void RenameJobPage::start(const std::vector<JobFile> &) { patternBox->setFocus(Qt::OtherFocusReason); }

void RenameJobPage::read(const std::vector<TagReading> &readings) { m_digits = trackDigits(readings); }

QString RenameJobPage::problem() const
{
    if (style->currentIndex() != ByPattern)
        return {};
    const QString why = renamePatternProblem(NamePattern(patternBox->currentText()));
    return why.isEmpty() ? QString() : QStringLiteral("The pattern cannot be used: ") + why;
}

JobPlanner RenameJobPage::planner() const
{
    const CodePage &page = m_session.codePage();
    if (style->currentIndex() == ByPattern)
        return patternRenamePlanner(NamePattern(patternBox->currentText()), m_digits, page);
    return renamePlanner(style->currentIndex() == LongNames, page);
}

void RenameJobPage::applied()
{
    if (style->currentIndex() == ByPattern)
        patternBox->remember();
}
