#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace velmora;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Permission bits do not stop root; a probe write tells whether they apply.
bool canCreateIn(const QString& folder) {
    QFile probe(folder + QStringLiteral("/probe"));
    if (!probe.open(QIODevice::WriteOnly)) return false;
    probe.remove();
    return true;
}

}  // namespace

TEST(ProfileRead, FindsTheValueOfTheFirstMatchingSectionAndKey) {
    struct Case {
        QByteArray text, section, key;
        std::optional<QByteArray> value;
    };
    const QByteArray quoted = "[s]\nk=\"a b\"\nq='x'\nu=\"\nm=\"a'\n";
    const Case cases[] = {
        {"[Probe]\nGain=3\n", "pROBE", "gain", "3"},
        {" \t[ Probe ] \r\n\t Gain \t=  3 0 \t\r\n", "Probe", "Gain", "3 0"},
        {quoted, "s", "k", "a b"},
        {quoted, "s", "q", "x"},
        {quoted, "s", "u", "\""},
        {quoted, "s", "m", "\"a'"},
        {"[s]\nk=1\nK=2\n[S]\nk=3\nonly=4\n", "s", "k", "1"},
        {"[s]\nk=1\nK=2\n[S]\nk=3\nonly=4\n", "s", "only", std::nullopt},
        {"[s]\n;k=1\n  ; k=2\n", "s", "k", std::nullopt},
        {"[s]\n;k=1\nk=2\n", "s", "k", "2"},
        {"[s]\nk\nk =a=b", "s", "k", "a=b"},
        {"k=1\n[s]\n", "s", "k", std::nullopt},
        {"[s]\nk=1\n[t]\n", "t", "k", std::nullopt},
        {"[s]\nk=1\n", "x", "k", std::nullopt},
        {"[s]\nk=1\n", "s", "x", std::nullopt},
        {"", "s", "k", std::nullopt},
        {QByteArray("[s]\nn=a\0b\nk=1", 13), "s", "n", QByteArray("a\0b", 3)},
        {QByteArray("[s]\nn=a\0b\nk=1", 13), "s", "k", "1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(profileValue(c.text, c.section, c.key), c.value)
            << c.text.toStdString() << " [" << c.section.toStdString() << "] "
            << c.key.toStdString();
    }
}

TEST(ProfileRead, FilesOfAnySizeAndContent) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("p.ini"));
    EXPECT_EQ(readProfileString(path, "s", "k", "none"), "none");

    const QByteArray longValue(6000, 'v');
    writeAll(path, "[s]\r\nk=" + longValue + "\r\n");
    EXPECT_EQ(readProfileString(path, "s", "k"), longValue);
    EXPECT_EQ(readProfileString(path, "s", "other", "none"), "none");

    // Megabytes of random bytes, NULs and stray brackets included, then a real section.
    std::mt19937 random(7);
    QByteArray garbage(3 << 20, '\0');
    for (char& byte : garbage) byte = static_cast<char>(random());
    writeAll(path, garbage + "\n[Calibration]\nk=v");
    EXPECT_EQ(readProfileString(path, "calibration", "k"), "v");
}

TEST(ProfileWrite, EditsOnlyTheLinesItMust) {
    struct Case {
        QByteArray before, section;
        ProfileEntries entries;
        QByteArray after;
    };
    const QByteArray crlf =
        "; header\r\n\r\n[Other]\r\nk=keep\r\n\r\n[Cal]\r\n; note\r\n"
        "  Gain = 1.5  \r\nOffset=0\r\n\r\n";
    const Case cases[] = {
        {"", "Cal", {{"k", "v"}}, "[Cal]\nk=v\n"},
        {crlf, "cal", {{"GAIN", "2"}}, QByteArray(crlf).replace("= 1.5  ", "=2")},
        {crlf,
         "Cal",
         {{"Zero", "9"}},
         QByteArray(crlf).replace("Offset=0\r\n", "Offset=0\r\nZero=9\r\n")},
        {crlf, "New", {{"a", "1"}, {"b", ""}}, crlf + "[New]\r\na=1\r\nb=\r\n"},
        {"[a]\nx=1\n; c\n\n[b]\ny=2\n", "a", {{"z", "3"}}, "[a]\nx=1\nz=3\n; c\n\n[b]\ny=2\n"},
        {"[a]\n\n[b]\n", "a", {{"z", "3"}}, "[a]\nz=3\n\n[b]\n"},
        {"[a]\nx=1", "a", {{"y", "2"}}, "[a]\nx=1\ny=2\n"},
        {"[a]\nx=1", "b", {{"y", "2"}}, "[a]\nx=1\n[b]\ny=2\n"},
        {"[a]\nk=1\nk=2\n[A]\nk=3\n", "a", {{"K", "9"}}, "[a]\nk=9\nk=2\n[A]\nk=3\n"},
        {"[a]\nx=1\n[b]\n[A]\ny=2\n", "A", {{"y", "5"}}, "[a]\nx=1\ny=5\n[b]\n[A]\ny=2\n"},
        {"[a]\r\nx=1\r\ny=2",
         "a",
         {{"y", "3"}, {"x", "4"}, {"n", "5"}, {"x", "6"}},
         "[a]\r\nx=6\r\ny=3\r\nn=5\r\n"},
    };
    for (const Case& c : cases) {
        const QByteArray after = withProfileValues(c.before, c.section, c.entries);
        EXPECT_EQ(after, c.after) << c.before.toStdString();
        QMap<QByteArray, QByteArray> last;  // a key given twice ends with its last value
        for (const auto& [key, value] : c.entries) last[key] = value;
        for (auto it = last.cbegin(); it != last.cend(); ++it)
            EXPECT_EQ(profileValue(after, c.section, it.key()), it.value()) << after.toStdString();
    }
}

TEST(ProfileFile, WritesCreateThenEditTheFileInPlace) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("cal.ini"));
    ProfileWriteResult result = writeProfileStrings(path, "Cal", {{"Gain", "1"}, {"Zero", "0"}});
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(readAll(path), "[Cal]\nGain=1\nZero=0\n");

    writeAll(path, "; keep\r\n[Cal]\r\nGain = 1\r\n\r\n[Other]\r\nx=y\r\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    result = writeProfileStrings(path, "cal", {{"gain", "2"}, {"Span", "3"}});
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(readAll(path), "; keep\r\n[Cal]\r\nGain =2\r\nSpan=3\r\n\r\n[Other]\r\nx=y\r\n");
    EXPECT_EQ(readProfileString(path, "CAL", "span"), "3");
    EXPECT_EQ(QFileInfo(path).permissions() & QFileDevice::ReadGroup, 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("cal.ini")});
}

TEST(ProfileFile, FailedWritesSayWhyAndLeaveTheOldFileAlone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ProfileEntries entries{{"k", "v"}};

    const QString missingFolder = dir.filePath(QStringLiteral("none/cal.ini"));
    ProfileWriteResult result = writeProfileStrings(missingFolder, "s", entries);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("none"))));

    const QString folderName = dir.filePath(QStringLiteral("taken"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken")));
    writeAll(folderName + QStringLiteral("/inside"), "x");
    result = writeProfileStrings(folderName, "s", entries);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(readAll(folderName + QStringLiteral("/inside")), "x");

    const QString locked = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("locked")));
    const QString path = locked + QStringLiteral("/cal.ini");
    const QByteArray old = "[s]\r\nk=old\r\n";
    writeAll(path, old);
    const auto readWrite = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto readOnlyFolder = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    QFile::setPermissions(locked, readOnlyFolder);
    const bool bitsApply = !canCreateIn(locked);
    QFile::setPermissions(locked, readWrite | QFileDevice::ExeOwner);
    if (!bitsApply)
        GTEST_SKIP() << "permission bits do not stop this user (root): skipped the "
                        "unreadable file and the read-only folder";

    QFile::setPermissions(path, QFileDevice::WriteOwner);  // cannot be read: must not be replaced
    result = writeProfileStrings(path, "s", entries);
    QFile::setPermissions(path, readWrite);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(readAll(path), old);

    QFile::setPermissions(locked, readOnlyFolder);  // no temporary file can be made next to it
    result = writeProfileStrings(path, "s", entries);
    QFile::setPermissions(locked, readWrite | QFileDevice::ExeOwner);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(readAll(path), old);
}
