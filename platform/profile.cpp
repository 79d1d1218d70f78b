#include "platform/profile.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace velmora {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArrayView trimmed(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.sliced(begin, end - begin);
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Section and key names compare case-insensitively in ASCII only; other bytes must match.
bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

QByteArrayView unquoted(QByteArrayView value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// One line of the text: [begin, end) is its text without the line end; `next` is where the
// following line starts. A CR before the LF belongs to the line end.
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
    bool hasLineEnd = false;  // false only for a last line that lacks its LF
};

class LineReader {
public:
    explicit LineReader(QByteArrayView text) : m_text(text) {}

    bool next(Line& line) {
        if (m_pos >= m_text.size()) return false;
        const qsizetype lf = m_text.indexOf('\n', m_pos);
        line.begin = m_pos;
        line.hasLineEnd = lf >= 0;
        line.end = line.hasLineEnd ? lf : m_text.size();
        line.next = line.hasLineEnd ? lf + 1 : m_text.size();
        if (line.end > line.begin && m_text[line.end - 1] == '\r') --line.end;
        m_pos = line.next;
        return true;
    }

private:
    QByteArrayView m_text;
    qsizetype m_pos = 0;
};

struct ProfileLine {
    enum Kind { Blank, Comment, Section, Key, Other } kind = Blank;
    QByteArrayView name;       // section or key name, trimmed
    QByteArrayView value;      // key value, trimmed, quotes kept
    qsizetype valueBegin = 0;  // offset in the text just past the '=' of a key line
};

// A header is '[' ... ']' (the name is what lies between '[' and the first ']'); a key line
// is split at its first '='; a '[' line without ']' is read as any other line.
ProfileLine parseLine(QByteArrayView text, const Line& line) {
    const QByteArrayView raw = text.sliced(line.begin, line.end - line.begin);
    const QByteArrayView content = trimmed(raw);
    ProfileLine parsed;
    if (content.isEmpty()) return parsed;
    if (content.front() == ';') {
        parsed.kind = ProfileLine::Comment;
        return parsed;
    }
    if (content.front() == '[') {
        const qsizetype close = content.indexOf(']');
        if (close > 0) {
            parsed.kind = ProfileLine::Section;
            parsed.name = trimmed(content.sliced(1, close - 1));
            return parsed;
        }
    }
    const qsizetype eq = raw.indexOf('=');
    if (eq < 0) {
        parsed.kind = ProfileLine::Other;
        return parsed;
    }
    parsed.kind = ProfileLine::Key;
    parsed.name = trimmed(raw.first(eq));
    parsed.value = trimmed(raw.sliced(eq + 1));
    parsed.valueBegin = line.begin + eq + 1;
    return parsed;
}

// The line end new lines get: CRLF when the text's first line ends so, otherwise LF.
QByteArrayView lineEndOf(QByteArrayView text) {
    const qsizetype lf = text.indexOf('\n');
    return (lf > 0 && text[lf - 1] == '\r') ? QByteArrayView("\r\n") : QByteArrayView("\n");
}

struct Edit {
    qsizetype begin;  // bytes [begin, end) of the old text are replaced by `text`
    qsizetype end;
    QByteArray text;
};

}  // namespace

std::optional<QByteArray> profileValue(QByteArrayView content, QByteArrayView section,
                                       QByteArrayView key) {
    section = trimmed(section);
    key = trimmed(key);
    bool inSection = false;
    LineReader lines(content);
    Line line;
    while (lines.next(line)) {
        const ProfileLine parsed = parseLine(content, line);
        if (parsed.kind == ProfileLine::Section) {
            // Only the first section of that name is read.
            if (inSection) return std::nullopt;
            inSection = sameName(parsed.name, section);
        } else if (inSection && parsed.kind == ProfileLine::Key && sameName(parsed.name, key)) {
            return unquoted(parsed.value).toByteArray();
        }
    }
    return std::nullopt;
}

QByteArray withProfileValues(QByteArrayView content, QByteArrayView section,
                             const ProfileEntries& entries) {
    // A key given twice is set once, to its last value.
    ProfileEntries wanted;
    for (const auto& [key, value] : entries) {
        const auto same = std::find_if(wanted.begin(), wanted.end(), [&](const auto& entry) {
            return sameName(trimmed(entry.first), trimmed(key));
        });
        if (same != wanted.end())
            same->second = value;
        else
            wanted.emplace_back(key, value);
    }
    if (wanted.empty()) return content.toByteArray();

    const QByteArrayView lineEnd = lineEndOf(content);
    const QByteArrayView sectionName = trimmed(section);
    std::vector<bool> found(wanted.size(), false);
    std::vector<Edit> edits;
    bool inSection = false;
    bool sectionSeen = false;
    Line lastEntry;  // the section's header or its last non-blank, non-comment line

    LineReader lines(content);
    Line line;
    while (lines.next(line)) {
        const ProfileLine parsed = parseLine(content, line);
        if (parsed.kind == ProfileLine::Section) {
            if (inSection) break;
            inSection = sameName(parsed.name, sectionName);
            if (inSection) {
                sectionSeen = true;
                lastEntry = line;
            }
            continue;
        }
        if (!inSection || parsed.kind == ProfileLine::Blank || parsed.kind == ProfileLine::Comment)
            continue;
        lastEntry = line;
        if (parsed.kind != ProfileLine::Key) continue;
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            if (!found[i] && sameName(parsed.name, trimmed(wanted[i].first))) {
                // The key keeps its own spelling and spacing; what follows '=' is replaced.
                found[i] = true;
                edits.push_back({parsed.valueBegin, line.end, wanted[i].second});
                break;
            }
        }
    }

    QByteArray added;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (found[i]) continue;
        added += wanted[i].first + '=' + wanted[i].second;
        added += lineEnd;
    }

    if (!sectionSeen) {
        QByteArray result = content.toByteArray();
        if (!result.isEmpty() && !result.endsWith('\n')) result += lineEnd;
        result += '[' + section.toByteArray() + ']';
        result += lineEnd;
        result += added;
        return result;
    }
    if (!added.isEmpty()) {
        if (!lastEntry.hasLineEnd) added.prepend(lineEnd.toByteArray());
        edits.push_back({lastEntry.next, lastEntry.next, added});
    }
    // Replaced values lie in lines before the insertion point, in file order.
    QByteArray result;
    result.reserve(content.size() + added.size());
    qsizetype copied = 0;
    for (const Edit& edit : edits) {
        result += content.sliced(copied, edit.begin - copied);
        result += edit.text;
        copied = edit.end;
    }
    result += content.sliced(copied);
    return result;
}

QByteArray readProfileString(const QString& path, QByteArrayView section, QByteArrayView key,
                             QByteArrayView defaultValue) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return defaultValue.toByteArray();
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) return defaultValue.toByteArray();
    return profileValue(content, section, key).value_or(defaultValue.toByteArray());
}

ProfileWriteResult writeProfileStrings(const QString& path, QByteArrayView section,
                                       const ProfileEntries& entries) {
    // A file that exists but cannot be read is not replaced: its contents would be lost.
    QByteArray content;
    QFile old(path);
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly)) return {false, old.errorString()};
        content = old.readAll();
        if (old.error() != QFileDevice::NoError) return {false, old.errorString()};
        old.close();
    }
    const QByteArray updated = withProfileValues(content, section, entries);

    // QSaveFile writes through a symbolic link to its target and keeps the permissions of
    // an existing file; it does not fall back to writing in place when the folder is
    // read-only.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {false, file.errorString()};
    if (file.write(updated) != updated.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {false, reason};
    }
    if (!file.commit()) return {false, file.errorString()};
    return {true, {}};
}

}  // namespace velmora
