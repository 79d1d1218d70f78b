#include "recording/samplerecorder.h"

#include "platform/tick.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace velmora {
namespace {

// Rows gather up to this many bytes before they are written (about 5,000 rows): large
// writes, few system calls, and little lost to a crash even at the highest rates.
constexpr std::size_t kWriteChunk = 64 * 1024;

constexpr char kHeader[] = "time_s,value\n";

}  // namespace

SampleRecorder::SampleRecorder() {
    m_event.reserve(4096);
    m_text.reserve(kWriteChunk + 4096);
}

SampleRecorder::~SampleRecorder() { stop(); }

bool SampleRecorder::start(const QString& path, Mode mode) {
    stop();
    m_error.clear();
    m_path = path;
    m_rows = 0;
    m_fileBytes = 0;
    m_elapsedMs = 0;
    m_event.clear();
    m_text.clear();
#ifdef Q_OS_UNIX
    // A file-size limit (ulimit -f) must end the recording with a message, not the program.
    // A handler the program has set itself stays.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    if (previous != SIG_DFL && previous != SIG_ERR) std::signal(SIGXFSZ, previous);
#endif
    auto file = std::make_unique<QFile>(path);
    const QIODevice::OpenMode how =
        QIODevice::WriteOnly | QIODevice::Unbuffered |
        (mode == Mode::CreateNew ? QIODevice::NewOnly : QIODevice::Truncate);
    if (!file->open(how)) {
        m_error = file->errorString();
        return false;
    }
    m_file = std::move(file);
    m_lastTick = tickCount();
    m_text = kHeader;
    return writeOut();
}

bool SampleRecorder::endEvent() {
    if (m_event.empty()) return true;
    // Every row of the event has the same time: "<seconds>.<milliseconds>,".
    const std::uint32_t now = tickCount();
    m_elapsedMs += now - m_lastTick;  // unsigned: the 32-bit tick may wrap in between
    m_lastTick = now;
    char stamp[32];
    char* p = std::to_chars(stamp, stamp + 24, m_elapsedMs / 1000).ptr;
    const unsigned ms = static_cast<unsigned>(m_elapsedMs % 1000);
    *p++ = '.';
    *p++ = static_cast<char>('0' + ms / 100);
    *p++ = static_cast<char>('0' + ms / 10 % 10);
    *p++ = static_cast<char>('0' + ms % 10);
    *p++ = ',';
    const std::size_t stampLength = static_cast<std::size_t>(p - stamp);

    const std::size_t before = m_text.size();
    m_text.resize(before + m_event.size() * (stampLength + 6));  // value: 5 digits and LF
    char* out = m_text.data() + before;
    for (const std::uint16_t value : m_event) {
        std::memcpy(out, stamp, stampLength);
        out = std::to_chars(out + stampLength, out + stampLength + 5, value).ptr;
        *out++ = '\n';
    }
    m_text.resize(static_cast<std::size_t>(out - m_text.data()));
    m_rows += m_event.size();
    m_event.clear();
    return m_text.size() < kWriteChunk || writeOut();
}

bool SampleRecorder::flush() {
    if (!recording()) return true;
    return writeOut() && stillAtPath();
}

bool SampleRecorder::stop() {
    m_event.clear();
    if (!recording()) return true;
    const bool written = writeOut();
    m_file.reset();  // closes it; after a failed write it is already gone
    return written;
}

bool SampleRecorder::writeOut() {
    std::size_t done = 0;
    while (done < m_text.size()) {
        const qint64 n = m_file->write(m_text.data() + done, qint64(m_text.size() - done));
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        // The file keeps the whole rows only: a row cut by the failure is taken back out.
        const QString reason = m_file->errorString();
        const auto lastEnd =
            std::find(std::make_reverse_iterator(m_text.begin() + done), m_text.rend(), '\n');
        const std::size_t kept = static_cast<std::size_t>(m_text.rend() - lastEnd);
        if (kept < done) m_file->resize(qint64(m_fileBytes + kept));
        // Rows counts what the file holds (a header that failed leaves no rows).
        const auto lost = std::count(m_text.begin() + std::ptrdiff_t(kept), m_text.end(), '\n');
        m_rows = m_fileBytes == 0 ? 0 : m_rows - static_cast<std::uint64_t>(lost);
        return fail(reason);
    }
    m_fileBytes += m_text.size();
    m_text.clear();
    return true;
}

bool SampleRecorder::stillAtPath() {
#ifdef Q_OS_UNIX
    // Writes to a file whose folder was renamed or removed still succeed on POSIX systems,
    // so the path is checked: the rows must go where the operator will look for them.
    struct stat atPath {};
    struct stat opened {};
    if (::stat(QFile::encodeName(m_path).constData(), &atPath) != 0)
        return fail(qt_error_string(errno));
    if (::fstat(m_file->handle(), &opened) != 0) return fail(qt_error_string(errno));
    if (atPath.st_dev != opened.st_dev || atPath.st_ino != opened.st_ino)
        return fail(qt_error_string(ENOENT));
#endif
    return true;
}

bool SampleRecorder::fail(const QString& reason) {
    m_error = reason;
    m_text.clear();
    m_event.clear();
    m_file.reset();  // closes it
    return false;
}

}  // namespace velmora
