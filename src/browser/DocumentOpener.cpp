#include "browser/DocumentOpener.h"

#include <QDesktopServices>
#include <QUrl>

bool openDocument(const QByteArray &nativePath)
{
    // Percent-encode the raw bytes so that names which are not UTF-8 reach the opener intact.
    const QByteArray encoded = "file://" + nativePath.toPercentEncoding("/");
    return QDesktopServices::openUrl(QUrl::fromEncoded(encoded, QUrl::StrictMode));
}
