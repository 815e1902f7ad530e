#include "support/WindowControls.h"

#include "browser/DriveList.h"
#include "browser/FolderTree.h"
#include "browser/GenreBox.h"
#include "browser/Mp3Files.h"
#include "browser/Mp3List.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

namespace {

template <typename T>
void findInto(const QObject &window, T *&slot, const QString &name)
{
    slot = window.findChild<T *>(name);
    if (!slot)
        qFatal("the window has no control named %s", qPrintable(name));
}

}  // namespace

void WindowControls::find(const QObject &window)
{
    const auto in = [&window](auto *&slot, const QString &name) { findInto(window, slot, name); };
    in(DrvOpen, QStringLiteral("DrvOpen"));
    in(DirOpen, QStringLiteral("DirOpen"));
    in(FilOpen, QStringLiteral("FilOpen"));
    in(lv1, QStringLiteral("lv1"));
    in(Label11, QStringLiteral("Label11"));
    in(Label12, QStringLiteral("Label12"));
    in(Label13, QStringLiteral("Label13"));
    for (int k = 0; k < 6; ++k) {
        in(TagLabels[k], QStringLiteral("Label%1").arg(k + 2));
        in(ChkKeepTag[k], QStringLiteral("ChkKeepTag%1").arg(k));
        if (k < 5)
            in(TxtDispTag[k], QStringLiteral("TxtDispTag%1").arg(k));
    }
    in(CmbGenre, QStringLiteral("CmbGenre"));
    in(ChkRenFile, QStringLiteral("ChkRenFile"));
    in(TxtNewFilename, QStringLiteral("TxtNewFilename"));
    in(CmdSave, QStringLiteral("CmdSave"));
    in(Cmdswap, QStringLiteral("Cmdswap"));
    in(Cmdfilesong, QStringLiteral("Cmdfilesong"));
    in(Frame1, QStringLiteral("Frame1"));
    in(Command6, QStringLiteral("Command6"));
    in(Command5, QStringLiteral("Command5"));
    in(Command7, QStringLiteral("Command7"));
    in(Command3, QStringLiteral("Command3"));
    in(Command1, QStringLiteral("Command1"));
    in(Text4, QStringLiteral("Text4"));
    in(Text1, QStringLiteral("Text1"));
    in(pb1, QStringLiteral("pb1"));
    in(Slider1, QStringLiteral("Slider1"));
    in(Slider2, QStringLiteral("Slider2"));
}
