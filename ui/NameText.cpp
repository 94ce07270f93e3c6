#include "ui/NameText.h"

#include <QStringView>

#include <algorithm>

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at the start of `bytes` and its
// code point, or 0 when it starts with a byte that is no such sequence
// (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t Utf8SequenceAt(std::string_view bytes, char32_t* codePoint) {
    const auto at = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high)
        return 0;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(at(i)))
            return 0;
        value = (value << 6) | (at(i) & 0x3F);
    }
    *codePoint = value;
    return length;
}

// Appends the shown text of `bytes` to `text`, telling `ended` where each
// shown character ends in the text and in the bytes. A name of ASCII bytes
// alone (the most) is taken in one step.
template <class Ended>
void AppendNameText(std::string_view bytes, QString& text, Ended&& ended) {
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char byte) { return static_cast<unsigned char>(byte) < 0x80; })) {
        const qsizetype start = text.size();
        text += QLatin1StringView(bytes.data(), static_cast<qsizetype>(bytes.size()));
        for (std::size_t i = 1; i <= bytes.size(); ++i)
            ended(start + static_cast<qsizetype>(i), i);
        return;
    }
    std::size_t position = 0;
    while (position < bytes.size()) {
        char32_t codePoint = 0;
        const std::size_t length = Utf8SequenceAt(bytes.substr(position), &codePoint);
        if (length == 0) {
            text += QChar::ReplacementCharacter;
            ++position;
        } else if (QChar::requiresSurrogates(codePoint)) {
            text += QChar(QChar::highSurrogate(codePoint));
            text += QChar(QChar::lowSurrogate(codePoint));
            position += length;
        } else {
            text += QChar(static_cast<char16_t>(codePoint));
            position += length;
        }
        ended(text.size(), position);
    }
}

}  // namespace

CNameText::CNameText(std::string_view bytes) : m_bytes(bytes) {
    m_text.reserve(static_cast<qsizetype>(bytes.size()));
    m_ends.reserve(bytes.size());
    AppendNameText(bytes, m_text, [this](qsizetype textEnd, std::size_t byteEnd) {
        m_ends.push_back({textEnd, byteEnd});
    });
}

std::string CNameText::BytesOf(const QString& edited) const {
    const QStringView shown(m_text);
    const QStringView changed(edited);
    // The characters kept at the start.
    std::size_t first = 0;
    qsizetype textStart = 0;
    std::size_t byteStart = 0;
    for (; first < m_ends.size(); ++first) {
        const qsizetype length = m_ends[first].text - textStart;
        if (m_ends[first].text > changed.size() ||
            shown.mid(textStart, length) != changed.mid(textStart, length))
            break;
        textStart = m_ends[first].text;
        byteStart = m_ends[first].bytes;
    }
    // The characters kept at the end, never the ones kept at the start.
    std::size_t last = m_ends.size();
    qsizetype changedEnd = changed.size();
    std::size_t byteEnd = m_bytes.size();
    for (; last > first; --last) {
        const CharacterEnd start = last - 1 > 0 ? m_ends[last - 2] : CharacterEnd{0, 0};
        const qsizetype length = m_ends[last - 1].text - start.text;
        if (changedEnd - length < textStart ||
            shown.mid(start.text, length) != changed.mid(changedEnd - length, length))
            break;
        changedEnd -= length;
        byteEnd = start.bytes;
    }
    return m_bytes.substr(0, byteStart) +
           changed.mid(textStart, changedEnd - textStart).toUtf8().toStdString() +
           m_bytes.substr(byteEnd);
}

QString NameToText(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    AppendNameText(bytes, text, [](qsizetype, std::size_t) {});
    return text;
}
