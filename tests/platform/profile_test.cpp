// Profile (INI) files: values read, lines edited, files replaced whole or not at all.
#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velmora;

// Section and key names match in any case and trimmed (also the calibration file's tests).
TEST(ProfileRead, FindsTheValueOfTheFirstMatchingSectionAndKey) {
    const QByteArray text = QByteArray("\0[\0\n]=[\n", 8) +  // NULs and stray brackets
                            "\nz=0\n \t[ Probe ] \r\n\t g \t=  3 0 \t\r\n;c=1\nc=5\n  ; d=2\n" +
                            "q='x'\ndq=\"a b\"\nu=\"\nm=\"a'\nw\nw =a=b\n" +
                            QByteArray("n=a\0b\n", 6) + "k=1\nK=2\n[PROBE]\nk=3\nonly=4\n[t]\n";
    const std::tuple<const char*, const char*, std::optional<QByteArray>> cases[] = {
        {"Probe", "g", "3 0"},   // blanks around a name or value go, those inside stay
        {"Probe", "c", "5"},     // a comment is no key
        {"Probe", "d", {}},      // nor an indented one
        {"Probe", "q", "x"},     // matching quotes are removed
        {"Probe", "dq", "a b"},  // matching quotes are removed
        {"Probe", "u", "\""},    // a lone quote stays
        {"Probe", "m", "\"a'"},  // unmatched quotes stay
        {"Probe", "w", "a=b"},   // a line without '=' is no key; the first '=' splits
        {"Probe", "n", QByteArray("a\0b", 3)},  // a NUL is a byte like any other
        {"Probe", "K", "1"},                    // the first key wins
        {"Probe", "z", {}},                     // keys before the first header are in none
        {"t", "k", {}},                         // nor are those of the section before
    };
    for (const auto& [section, key, value] : cases)
        EXPECT_EQ(profileValue(text, section, key), value) << section << " " << key;
}

// Cases the calibration file's tests do not cover: where new keys go, the line end they get, a
// key found twice, a last line without its line end.
TEST(ProfileWrite, EditsOnlyTheLinesItMust) {
    const QByteArray crlf =
        "[Other]\r\nk=keep\r\n\r\n[Cal]\r\n; note\r\nGain=1\r\nOffset=0\r\n\r\n";
    const std::tuple<QByteArray, const char*, ProfileEntries, QByteArray> cases[] = {
        {crlf, "Cal", {{"Zero", "9"}}, QByteArray(crlf).replace("=0\r\n", "=0\r\nZero=9\r\n")},
        {crlf, "New", {{"a", "1"}, {"b", ""}}, crlf + "[New]\r\na=1\r\nb=\r\n"},
        {"[a]\nx=1\n; c\n\n[b]\ny=2\n", "a", {{"z", "3"}}, "[a]\nx=1\nz=3\n; c\n\n[b]\ny=2\n"},
        {"[a]\n\n[b]\n", "a", {{"z", "3"}}, "[a]\nz=3\n\n[b]\n"},
        {"[a]\nx=1", "a", {{"y", "2"}}, "[a]\nx=1\ny=2\n"},
        {"[a]\nx=1", "b", {{"y", "2"}}, "[a]\nx=1\n[b]\ny=2\n"},
        {"[a]\nk=1\nk=2\n[A]\nk=3\n", "a", {{"K", "9"}}, "[a]\nk=9\nk=2\n[A]\nk=3\n"},
        {"[a]\nx=1\n[b]\n[A]\ny=2\n", "A", {{"y", "5"}}, "[a]\nx=1\ny=5\n[b]\n[A]\ny=2\n"},
        {"[a]\r\nx=1\r\ny=2", "a", {{"y", "3"}, {"n", "5"}}, "[a]\r\nx=1\r\ny=3\r\nn=5\r\n"},
    };
    for (const auto& [before, section, entries, expected] : cases)
        EXPECT_EQ(withProfileValues(before, section, entries), expected) << before.toStdString();
}

// A write replaces the file keeping its permissions and leaving no temporary file; a write
// over a folder fails saying why.
TEST(ProfileFile, WritesReplaceTheFileWholeOrNotAtAll) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cal.ini"));
    ASSERT_TRUE(writeProfileStrings(path, "Cal", {{"Gain", "1"}}).ok);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(writeProfileStrings(path, "cal", {{"Span", "3"}}).ok);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[Cal]\nGain=1\nSpan=3\n") << "contents";
    EXPECT_EQ(file.permissions() & QFileDevice::ReadGroup, 0) << "permissions";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"cal.ini"}) << "leftovers";
    const ProfileWriteResult folder = writeProfileStrings(dir.path(), "s", {{"k", "v"}});
    EXPECT_FALSE(folder.ok) << "a folder replaced";
    EXPECT_FALSE(folder.error.isEmpty()) << "no reason for the folder";
}
