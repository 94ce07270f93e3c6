#pragma once
// A file name's bytes as the text the windows show, and the bytes of an edited
// text. Valid UTF-8 shows as its characters and every other byte as U+FFFD, so
// the text alone cannot give the bytes back; the characters the user did not
// change (the longest common start and end of the shown and the edited text)
// keep their original bytes, and only the changed middle is encoded as UTF-8.

#include <QString>

#include <string>
#include <string_view>
#include <vector>

class CNameText {
public:
    explicit CNameText(std::string_view bytes);

    const QString& Text() const { return m_text; }
    // The bytes of `edited`, a changed copy of Text().
    std::string BytesOf(const QString& edited) const;

private:
    // Where each shown character (one code point, or one byte that is not
    // UTF-8) ends in the text and in the bytes.
    struct CharacterEnd {
        qsizetype text;
        std::size_t bytes;
    };

    std::string m_bytes;
    QString m_text;
    std::vector<CharacterEnd> m_ends;
};

// The shown text of a name's bytes (CNameText(bytes).Text()).
QString NameToText(std::string_view bytes);
