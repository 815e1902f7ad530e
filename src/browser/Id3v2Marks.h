#pragma once
// The ID3v2 tag of the loaded file beside the panel: a mark beside every box whose ID3v2 value
// differs from the trailer's (the value in its tooltip), and Fill from ID3v2, which copies the
// values into the boxes whose Keep box is clear. The tag is read with the trailer when a file is
// clicked (one open), never by the scan;
// nothing is written here: Save writes what the boxes then hold.

#include "browser/BrowserPanel.h"
#include "tags/id3v2/Id3v2Fill.h"
#include "tags/trailer/TagCore.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <vector>

class EditSession;
class QLabel;
class TagPanel;

class Id3v2Marks : public QObject {
    Q_OBJECT
public:
    // The marks become siblings of the boxes, hidden until a file with differences is loaded.
    // Values are compared and filled in the session's code page.
    Id3v2Marks(const BrowserPanel &controls, const TagPanel &panel, const EditSession &session,
               const QStringList &genreList, QObject *parent = nullptr);

    // The session's current file was loaded: its ID3v2 tag (if the scan saw one) is read and the
    // boxes whose values differ are marked.
    void load();
    void clear();  // no marks, nothing to fill from
    bool canFill() const { return m_available; }
    // Copies the ID3v2 values into the unkept boxes and returns the fields that could not take
    // their value whole; tells the user which when there are any.
    std::vector<TagField> fill();

    QLabel *mark(TagField field) const { return m_marks[size_t(field)]; }

    // The text of the message naming the fields that could not be filled whole.
    static QString cutText(const std::vector<TagField> &cut);

signals:
    void canFillChanged(bool canFill);

private:
    void setAvailable(bool available);
    void showMark(TagField field, const QString &value);
    QWidget *box(TagField field) const;
    void setBox(TagField field, const Id3v1::Fields &fields);

    const BrowserPanel &c;
    const TagPanel &m_panel;
    const EditSession &m_session;
    const QStringList &m_genreList;
    std::array<QLabel *, TagFieldCount> m_marks{};  // none for the fields without a box
    Id3v2Values m_values;
    bool m_available = false;
};
