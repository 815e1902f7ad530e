#include "app/FrmSettings.h"

#include "app/Artwork.h"
#include "layout/Twips.h"
#include "tags/text/Message.h"
#include "tags/settings/SettingsKeys.h"
#include "tags/settings/SettingsStore.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <cstdio>
#include <utility>

namespace {

void centreOnScreen(QWidget *window)
{
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame(QPoint(), window->size());
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

}  // namespace

FrmSettings::FrmSettings(bool &supportLfn, std::function<void()> endProgram, QWidget *parent)
    : QWidget(parent, Qt::Window), m_supportLfn(supportLfn), m_remembered(supportLfn),
      m_endProgram(std::move(endProgram))
{
    setObjectName(QStringLiteral("FrmSettings"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Settings"));
    setWindowIcon(::windowIcon());
    // A window of its own, not a child of the main window: it takes the main window's face.
    setFont(layoutFont());
    setFixedSize(twips(4425), twips(1725));

    Frame1 = new QGroupBox(QStringLiteral("Filename"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(120, 120, 1695, 975));

    OptLFN[0] = new QRadioButton(QStringLiteral("Longfilenames"), Frame1);
    OptLFN[0]->setObjectName(QStringLiteral("OptLFN0"));
    OptLFN[0]->setGeometry(twipsRect(120, 240, 1455, 255));
    OptLFN[1] = new QRadioButton(QStringLiteral("8.3 (FAT)"), Frame1);
    OptLFN[1]->setObjectName(QStringLiteral("OptLFN1"));
    OptLFN[1]->setGeometry(twipsRect(120, 600, 1095, 255));

    // The captions were measured for a smaller system font than today's desktops use; let an
    // option grow to its caption's width, and the frame with it up to the buttons' column.
    for (QRadioButton *option : OptLFN)
        option->resize(qMax(option->width(), option->sizeHint().width()), option->height());
    const int widest = qMax(OptLFN[0]->geometry().right(), OptLFN[1]->geometry().right()) + 8;
    const int room = 2040 / 15 - Frame1->x() - 8;  // up to 8 pixels short of the buttons
    if (widest > Frame1->width())
        Frame1->resize(qMin(widest, room), Frame1->height());
    for (QRadioButton *option : OptLFN)
        option->resize(qMin(option->width(), Frame1->width() - option->x() - 4), option->height());

    CmdOk = new QPushButton(QStringLiteral("Ok"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setGeometry(twipsRect(2040, 120, 2295, 375));
    CmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    CmdCancel->setGeometry(twipsRect(2040, 600, 2295, 375));
    CmdRemoveQuit = new QPushButton(QStringLiteral("Remove Registry Settings && Quit"), this);
    CmdRemoveQuit->setObjectName(QStringLiteral("CmdRemoveQuit"));
    CmdRemoveQuit->setGeometry(twipsRect(120, 1320, 4215, 375));

    setTabOrder(OptLFN[0], OptLFN[1]);
    setTabOrder(OptLFN[1], CmdOk);
    setTabOrder(CmdOk, CmdCancel);
    setTabOrder(CmdCancel, CmdRemoveQuit);

    // Show the flag as it is; setting the buttons here changes nothing, since the handler below
    // only runs on clicks.
    OptLFN[0]->setChecked(m_supportLfn);
    OptLFN[1]->setChecked(!m_supportLfn);

    connect(OptLFN[0], &QRadioButton::clicked, this, &FrmSettings::optionClicked);
    connect(OptLFN[1], &QRadioButton::clicked, this, &FrmSettings::optionClicked);
    connect(CmdOk, &QPushButton::clicked, this, &FrmSettings::okClicked);
    connect(CmdCancel, &QPushButton::clicked, this, &FrmSettings::cancelClicked);
    connect(CmdRemoveQuit, &QPushButton::clicked, this, &FrmSettings::removeQuitClicked);

    centreOnScreen(this);
}

void FrmSettings::bringForward()
{
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void FrmSettings::optionClicked()
{
    // The new style is in force at once; it is stored only when the program quits.
    m_supportLfn = OptLFN[0]->isChecked();
}

void FrmSettings::okClicked()
{
    close();
}

void FrmSettings::cancelClicked()
{
    m_supportLfn = m_remembered;
    close();
}

void FrmSettings::removeQuitClicked()
{
    QString error;
    if (!SettingsStore::remove(SettingsKeys::application, &error)) {
        // The user asked for the settings to be gone; say so when they are not, then end anyway.
        Message::show(error);
        std::fprintf(stderr, "Velmora: cannot remove %s: %s\n",
                     qPrintable(SettingsStore::filePath(SettingsKeys::application)),
                     qPrintable(error));
    }
    if (m_endProgram)
        m_endProgram();
}

FrmSettings *showSettings(QPointer<FrmSettings> &slot, bool &supportLfn,
                          std::function<void()> endProgram, QWidget *parent)
{
    if (!slot)
        slot = new FrmSettings(supportLfn, std::move(endProgram), parent);
    slot->bringForward();
    return slot;
}
