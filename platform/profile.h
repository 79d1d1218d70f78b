// Private-profile (INI) files: one value of one key of one section, read and written with
// the semantics calibration files have always relied on. Section and key names match
// case-insensitively; lines, names and values are trimmed of blanks on reading; a value
// quoted with matching ' or " is returned without the quotes; the first matching section
// and key win; lines starting with ';' are comments; a line without '=' is no key.
// Writing edits lines in place: every other byte of the file stays as it was.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace velmora {

// The value of `key` in `section` of the profile text `content`; nullopt when the section
// or the key is missing.
std::optional<QByteArray> profileValue(QByteArrayView content, QByteArrayView section,
                                       QByteArrayView key);

using ProfileEntries = std::vector<std::pair<QByteArray, QByteArray>>;  // key, value

// `content` with each key of `entries` set in `section`: an existing key's value is replaced
// in place, a new key goes after the last entry of its section, a missing section is added
// at the end. The line ends of the file (CRLF or LF) are used for new lines.
QByteArray withProfileValues(QByteArrayView content, QByteArrayView section,
                             const ProfileEntries& entries);

// Reads one value from the file at `path`; a missing or unreadable file, section or key
// gives `defaultValue`.
QByteArray readProfileString(const QString& path, QByteArrayView section, QByteArrayView key,
                             QByteArrayView defaultValue = {});

struct ProfileWriteResult {
    bool ok = false;
    QString error;  // the system's reason when !ok
};

// Sets the entries in one atomic replacement of the file (a temporary file in the same
// folder, flushed, then renamed over the old one). Creates the file when it is missing;
// never creates folders. On failure the old file is untouched and `error` says why.
ProfileWriteResult writeProfileStrings(const QString& path, QByteArrayView section,
                                       const ProfileEntries& entries);

}  // namespace velmora
