// Private-profile (INI) files: one value of one key of one section, read and written with
// the semantics calibration files have always relied on. Section and key names match
// case-insensitively; lines, names and values are trimmed of blanks on reading; a value
// quoted with matching ' or " is returned without the quotes; the first matching section
// and key win; lines starting with ';' are comments; a line without '=' is no key.
// A header is '[name]'; keys before the first header belong to no section. Only the first
// section of a name is read and written. Writing edits lines in place: every other byte of
// the file stays as it was. Keys and values are written as given, so blanks around a value or
// matching quotes around it do not survive a read, and a line end in one starts a new line.
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

// `content` with each key of `entries` set in `section`. An existing key keeps everything up
// to and including its '=' (its own spelling and spacing); the rest of the line up to the
// line end becomes the value. When the key occurs twice, the first one (the one that reads) is
// replaced. A new key goes after the last non-blank, non-comment line of the section, a
// missing section with its keys is added at the end. New lines end as the file's first line
// does (CRLF or LF; LF for a file without one), and a last line lacking its line end gets one
// before new lines follow it. A key given twice in `entries` is set to its last value; no
// entries leave `content` as it is.
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
// never creates folders. A file that exists but cannot be read is not replaced. On failure
// the old file is untouched and `error` says why.
ProfileWriteResult writeProfileStrings(const QString& path, QByteArrayView section,
                                       const ProfileEntries& entries);

}  // namespace velmora
