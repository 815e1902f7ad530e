#pragma once
// Tags > Code Page: the page the tags are read and saved in, "System" (the locale's) or one the
// user picks, with the page suggested for the open folder named at the top and marked in the
// list. It only suggests; the user switches. The choice lives in the settings file as
// [Tags] CodePage=N (absent or 0: System) and is stored with the other settings.

#include <QObject>
#include <QString>

#include <map>

class EditSession;
class QAction;
class QActionGroup;
class QMenu;

class CodePageMenu : public QObject {
    Q_OBJECT
public:
    // Adds the "Code Page" submenu to menu; its ticked entry is the session's choice.
    CodePageMenu(QMenu &menu, EditSession &session, QObject *parent = nullptr);

    QMenu *menu() const { return m_menu; }
    int chosen() const;  // 0: System
    // The user's pick of number (an unknown number is System), made in the session.
    void choose(int number);
    // The result of a folder's scan: the suggested page, 0 when it cannot tell.
    void setSuggestion(int page, qsizetype nonAsciiBytes);
    QString suggestionText() const;

    // The stored choice of application's settings file; 0 when absent or not one of ours, with
    // *problem naming a value that is no page (CodePageChoice::numberOf).
    static int storedChoice(const QString &application, QString *problem = nullptr);
    // Stores the choice; a System choice is written only over a stored one, so a file that never
    // held the setting stays as it was.
    bool store(const QString &application, QString *failure) const;

private:
    QAction *addPage(int number, const QString &title);
    void tickChoice();

    EditSession &m_session;
    QMenu *m_menu;
    QAction *m_suggestion;
    QActionGroup *m_group;
    std::map<int, QAction *> m_entries;  // by page number, 0 for System
    int m_suggested = 0;
};
