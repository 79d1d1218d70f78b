// Records decoded samples to a CSV file: header "time_s,value", LF line ends, one row per
// sample in arrival order, time in seconds with millisecond precision since the recording
// started, taken from the tick once per receive event.
//
// The work is split by frequency. The sample step only appends the value (addSample); at
// the end of each receive event the event's values become whole text rows (endEvent); the
// rows reach the file in large writes, when enough have gathered and whenever the owner
// calls flush() (it does so on a timer, well within a second) and at stop(). The file
// therefore only ever holds whole rows; a write that fails part-way is cut back to the last
// whole row, the recording ends and errorString() gives the system's reason.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QFile;

namespace velmora {

class SampleRecorder {
public:
    enum class Mode {
        CreateNew,  // refuse a file that exists
        Replace,    // replace an existing file (the user has confirmed it)
    };

    SampleRecorder();
    ~SampleRecorder();  // stops (writes what is buffered) if still recording
    SampleRecorder(const SampleRecorder&) = delete;
    SampleRecorder& operator=(const SampleRecorder&) = delete;

    // Creates the file, writes the header and starts the time at the current tick. False
    // with errorString() set when the file cannot be made. Stops a running recording first.
    bool start(const QString& path, Mode mode);

    // The sample step: keeps the value for the current receive event while recording.
    void addSample(int value) {
        if (m_file) m_event.push_back(static_cast<std::uint16_t>(value));
    }

    // The receive event is over: its samples become rows stamped with the current tick.
    // False when a write failed (the recording has then ended).
    bool endEvent();
    // Hands every buffered row to the file and checks that the file still lies at its path
    // (a folder renamed or removed under it). False on failure (the recording has ended).
    bool flush();
    // Writes what is buffered and closes the file. False when that last write failed.
    bool stop();

    bool recording() const { return m_file != nullptr; }
    // The file of the current or last recording.
    const QString& path() const { return m_path; }
    // Rows of the current or last recording (written or still buffered).
    std::uint64_t rows() const { return m_rows; }
    // The reason of the last failure, as the system words it.
    const QString& errorString() const { return m_error; }

private:
    bool writeOut();
    bool fail(const QString& reason);
    bool stillAtPath();

    std::unique_ptr<QFile> m_file;
    QString m_path;
    QString m_error;
    std::vector<std::uint16_t> m_event;  // values of the current receive event
    std::string m_text;                  // whole rows not yet written
    std::uint64_t m_rows = 0;
    std::uint64_t m_fileBytes = 0;  // bytes of whole rows in the file
    std::uint64_t m_elapsedMs = 0;  // since the start, summed from tick differences
    std::uint32_t m_lastTick = 0;
};

}  // namespace velmora
