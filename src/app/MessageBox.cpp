#include "app/MessageBox.h"

#include "tags/text/Message.h"

#include <QApplication>
#include <QMessageBox>

void installMessageBox()
{
    Message::setHandler([](const QString &text) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmora"), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);  // a name like "<b>x</b>" is shown as it is, not as markup
        box.exec();
    });
    // No is the default button: Enter pressed without reading never loses data.
    Message::setQuestionHandler([](const QString &text) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Velmora"), text, QMessageBox::Yes | QMessageBox::No,
                        QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    });
}
